// A reader for tests that logs every handler call as one line of text ("BSTM", "data pnt2 4",
// ...), so a test can compare the whole sequence a stream produced.
#pragma once

#include "korvane/gs/gs_engine.h"

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::kvGS::test_support {

class Recorder : public KCGraphicStreamEngineBase {
public:
    std::vector<std::string> calls;
    std::vector<SGSDrawVertices> vertices;
    std::vector<std::vector<float>> points;  // the latest pnt2 values at each dVIN, as floats
    std::vector<SGSDrawOval> ovals;
    std::vector<std::string> texts;  // the latest text at each dTXT
    std::vector<SGSFrame> frames;

protected:
    int BeginStream(const SGSStream&) override { return Log("BSTM"); }
    int EndStream(const SGSCommandHeader&) override { return Log("ESTM"); }
    int BeginFrame(const SGSFrame& f) override {
        frames.push_back(f);
        return Log("BFRM");
    }
    int EndFrame(const SGSCommandHeader&) override { return Log("EFRM"); }
    int RotateFrame(const SGSFrameRotate&) override { return Log("FTOR"); }
    int DrawOldStyleCommand(const SGSCommandHeader&) override { return Log("cdso"); }
    int DrawPNG(const SGSDrawPNG&) override { return Log("ePNG"); }
    int DrawTheText(const SGSDrawText&) override {
        const SGSData* d = GetLatestDataOfPurpose(eGSText);
        texts.emplace_back(d == nullptr ? std::string_view() : GetDataText(*d));
        return Log("dTXT");
    }
    int DrawOval(const SGSDrawOval& o) override {
        ovals.push_back(o);
        return Log("lavO");
    }
    int DrawVertices(const SGSDrawVertices& v) override {
        vertices.push_back(v);
        points.emplace_back();
        if (const SGSData* d = GetLatestDataOfPurpose(eGSPoint2D); d != nullptr) {
            const void* p = GetDataPayload(*d);
            for (unsigned int i = 0; p != nullptr && i < d->count; ++i) {
                points.back().push_back(d->dataType == eGSFloat ? static_cast<const float*>(p)[i]
                                                                : static_cast<const short*>(p)[i]);
            }
        }
        return Log("dVIN");
    }
    int ClipVertices(const SGSDrawVertices&) override { return Log("cVIN"); }
    int ClipRect(const SGSClipRect&) override { return Log("cRIN"); }
    int ResourcesBaseURL(const SGSData& d) override {
        return Log("RURL " + std::string(GetDataText(d)));
    }
    int Remark(const SGSData& d) override { return Log("#REM " + std::string(GetDataText(d))); }
    int MetaData(const SGSData& d) override { return Log("META " + std::string(GetDataText(d))); }
    int Font(const SGSFont&) override { return Log("tnof"); }
    int Data(const SGSData& d) override {
        return Log("data " + GSCodeBytes(d.purpose) + " " + std::to_string(d.count) +
                   (GetDataPayload(d) == nullptr ? " nopayload" : ""));
    }
    int IgnoreStreamCommand(KTGSCode) override { return Log("ongi"); }
    int IllegalStreamCommand(KTGSCode) override { return Log("illegal"); }
    int UnknownStreamCommand(KTGSCode code) override { return Log("unknown " + GSCodeBytes(code)); }

private:
    int Log(std::string s) {
        calls.push_back(std::move(s));
        return static_cast<int>(calls.size());
    }
};

}  // namespace kvKorvaneV10_0_3::kvGS::test_support
