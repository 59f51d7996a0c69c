// The scan view files of a shell and the search through them.
#include "korvane/scan/scan_view_files.h"

#include "korvane/core/number_format.h"

#include <string>

namespace kvKorvaneV10_0_3::KSC {

namespace {

constexpr const char* kScanViewSuffix = "_ScanView.txt";

// The file `name` in the user's special folder.
[[nodiscard]] KTErr FileInUserFolder(FM::KESystemFolders folder, const std::string& name,
                                     FM::KCStPath& out) {
    const FM::KCStPath base(FM::eUserDomain, folder);
    int err = eNoErr;
    if (!base.IsValid(err)) {
        return err;
    }
    FM::KCStPath file(base, name.c_str());
    if (!file.IsValid(err)) {
        return err;
    }
    out = std::move(file);
    return eNoErr;
}

std::string Str(const char* text) {
    return text != nullptr ? text : "";
}

// The names come from a shell and its scan filter and become part of a file name: one that
// holds a separator or ".." could name a file outside the user's folders.
bool IsSafeNamePart(const char* text) {
    const std::string part = Str(text);
    return part.find('/') == std::string::npos && part.find("..") == std::string::npos;
}

bool IsSafeName(const char* text) {
    return text != nullptr && *text != '\0' && IsSafeNamePart(text);
}

void Trace(const KTScanViewTrace& trace, const std::string& line) {
    if (trace) {
        trace(line);
    }
}

std::string ErrorText(KTErr err) {
    return KUFormatInteger(static_cast<long long>(err));
}

// Computes one file's path and traces it under its label ("Specific", "Branch", ...).
[[nodiscard]] KTErr TracedPath(const KTScanViewTrace& trace, const char* label, KTErr err,
                               const FM::KCStPath& path) {
    if (err == eNoErr) {
        Trace(trace, std::string("  Path to ") + label +
                         " ScanView file: " + path.GetPathString().c_str());
    } else {
        Trace(trace, std::string("  Failed to create path to ") + label +
                         " ScanView file error = " + ErrorText(err));
    }
    return err;
}

// One file step of the search: true when the file exists and reads correctly. `found` and
// `missing` are the trace texts of the step.
bool TryFile(const KTScanViewTrace& trace, KTErr pathErr, const FM::KCStPath& path,
             const char* found, const char* missing, KCScanViewSpec& view) {
    if (pathErr != eNoErr || !path.IsExist()) {
        Trace(trace, missing);
        return false;
    }
    const KTErr err = view.ReadScanViewSpecFromFile(path);
    if (err != eNoErr) {
        Trace(trace, std::string(found) + " could not be read, error = " + ErrorText(err));
        return false;
    }
    Trace(trace, std::string(found) + " read");
    return true;
}

}  // namespace

KTErr GetPathToSpecificScanViewFile(const char* containerLeaf, const char* fileTag,
                                    FM::KCStPath& out) {
    if (!IsSafeName(containerLeaf) || !IsSafeNamePart(fileTag)) {
        return eFMWrongParameters;
    }
    return FileInUserFolder(FM::eKorvanePreferencesFolder,
                            Str(containerLeaf) + Str(fileTag) + kScanViewSuffix, out);
}

KTErr GetPathToBranchScanViewFile(const char* branch, const char* indicator, FM::KCStPath& out) {
    if (!IsSafeNamePart(branch) || !IsSafeName(indicator)) {
        return eFMWrongParameters;
    }
    return FileInUserFolder(FM::eKorvaneScanViewFolder,
                            Str(branch) + "Release_" + Str(indicator) + kScanViewSuffix, out);
}

KTErr GetPathToMajorVersionScanViewFile(FM::KCStPath& out, const char* indicator) {
    if (!IsSafeName(indicator)) {
        return eFMWrongParameters;
    }
    return FileInUserFolder(FM::eKorvanePreferencesFolder, Str(indicator) + kScanViewSuffix, out);
}

KTScanViewResourceReader ScanViewResourceReader(KTResContainerType* container, short id) {
    return [container, id](KCScanViewSpec& view) {
        return view.ReadScanViewSpecFromResource(container, kScanViewResourceType, id);
    };
}

KTErr FindAndReadScanViewFromFile(const KSScanViewFileNames& names, KCScanViewSpec& view,
                                  const KTScanViewResourceReader& resource,
                                  const KTScanViewTrace& trace, KEScanViewSource* source) {
    KEScanViewSource dummy = eScanViewNotFound;
    KEScanViewSource& from = source != nullptr ? *source : dummy;
    from = eScanViewNotFound;

    FM::KCStPath specific;
    const KTErr specificErr = TracedPath(
        trace, "Specific",
        GetPathToSpecificScanViewFile(names.containerLeaf.c_str(), names.fileTag.c_str(), specific),
        specific);
    if (TryFile(trace, specificErr, specific, "  Shell specific ScanView file was found and",
                "  Shell specific file was not found ", view)) {
        from = eScanViewSpecificFile;
        return eNoErr;
    }

    if (resource) {
        const KTErr err = resource(view);
        if (err == eNoErr) {
            Trace(trace, "  Internal ScanView Resource was read");
            from = eScanViewResource;
            return eNoErr;
        }
        Trace(trace, "  Internal ScanView Resource was not found, error = " + ErrorText(err));
    }

    FM::KCStPath branch;
    const KTErr branchErr = TracedPath(
        trace, "Branch",
        GetPathToBranchScanViewFile(names.branch.c_str(), names.indicator.c_str(), branch), branch);
    if (TryFile(trace, branchErr, branch, "  Branch ScanView file was found and",
                "  Branch ScanView file was not found ", view)) {
        from = eScanViewBranchFile;
        return eNoErr;
    }

    FM::KCStPath major;
    const KTErr majorErr =
        TracedPath(trace, "Major version",
                   GetPathToMajorVersionScanViewFile(major, names.indicator.c_str()), major);
    if (TryFile(trace, majorErr, major, "  Major version ScanView file was found and",
                "  Major version ScanView file was not found ", view)) {
        from = eScanViewMajorVersionFile;
        // The next search stops at the specific file. One that exists but did not read is the
        // user's to mend, so it is left alone.
        KTErr err = specificErr;
        if (err == eNoErr && specific.IsExist()) {
            err = eFMFileAllreadyExists;
        }
        if (err == eNoErr) {
            err = view.WriteScanViewSpecToFile(specific);
        }
        if (err == eNoErr) {
            Trace(trace, " Major version ScanView file was written to the Specific ScanView file");
        } else {
            Trace(trace,
                  " Major version ScanView file was not written to the Specific ScanView file, "
                  "error = " +
                      ErrorText(err));
        }
        return eNoErr;
    }

    view.clear();
    return eFMFileNotFound;
}

}  // namespace kvKorvaneV10_0_3::KSC
