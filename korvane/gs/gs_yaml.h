// KCGraphicStreamToYAML: a readable dump of a graphic stream, for tests and for plug-in
// authors debugging what their GUI draws.
#pragma once

#include "korvane/core/export.h"
#include "korvane/gs/gs_engine.h"

#include <memory>
#include <string>
#include <vector>

namespace YAML {
class Emitter;
}

namespace kvKorvaneV10_0_3::kvGS {

// Each record becomes a map keyed by its text name inside the "contents" of the stream or
// frame around it; frames nest. Zero owners, empty rectangles and centred text are left out
// unless SetEmitEverything(true). A stream that fails to read still gives a well-formed
// document of the records before the fault. [any-thread] on distinct objects.
class KORVANE_API KCGraphicStreamToYAML : public KCGraphicStreamEngineBase {
public:
    KCGraphicStreamToYAML();
    ~KCGraphicStreamToYAML() override;

    void SetEmitEverything(bool on) { m_emitEverything = on; }
    // The document of the last ExecStream (empty before the first); what a failed run left
    // open is closed first.
    [[nodiscard]] std::string GetYamlStr();

protected:
    int BeginStream(const SGSStream& stream) override;
    int EndStream(const SGSCommandHeader& header) override;
    int BeginFrame(const SGSFrame& frame) override;
    int EndFrame(const SGSCommandHeader& header) override;
    int RotateFrame(const SGSFrameRotate& rotate) override;
    int DrawOldStyleCommand(const SGSCommandHeader& header) override;
    int DrawPNGDeprecated(const SGSCommandHeader& header) override;
    int DrawPNGClippedDeprecated(const SGSCommandHeader& header) override;
    int DrawPNGScaledDeprecated(const SGSCommandHeader& header) override;
    int DrawPNG(const SGSDrawPNG& png) override;
    int DrawTheText(const SGSDrawText& text) override;
    int DrawOval(const SGSDrawOval& oval) override;
    int DrawVertices(const SGSDrawVertices& vertices) override;
    int ClipVertices(const SGSDrawVertices& vertices) override;
    int ClipRect(const SGSClipRect& clip) override;
    int ResourcesBaseURL(const SGSData& data) override;
    int Remark(const SGSData& data) override;
    int MetaData(const SGSData& data) override;
    int Font(const SGSFont& font) override;
    int Data(const SGSData& data) override;
    int IgnoreStreamCommand(KTGSCode code) override;
    int UnknownStreamCommand(KTGSCode code) override;
    void BeforeExceStream() override;
    void AfterExceStream() override;

private:
    void Open(KTGSCode code, std::int64_t owner, const SGSRect& rect);
    void Close();
    void Vertices(const char* name, const SGSDrawVertices& vertices);
    void Rect(const char* key, const SGSRect& rect);
    void Color(const char* key, const SGSRGBAColor& color);
    void DataRecord(const SGSData& data);
    void Finish();

    std::unique_ptr<YAML::Emitter> m_out;
    std::vector<bool> m_openItems;  // per open stream or frame: wrapped in a sequence item
    bool m_rootSequence = false;    // records outside any stream or frame
    bool m_emitEverything = false;
    std::string m_document;
};

}  // namespace kvKorvaneV10_0_3::kvGS
