// The table of the library's graph data classes.
#include "korvane/graphs/draw_classes.h"

#include "korvane/graphs/draw_graph_line_strip.h"
#include "korvane/graphs/draw_graph_series.h"
#include "korvane/graphs/draw_graph_shapes.h"
#include "korvane/graphs/draw_graph_text.h"
#include "korvane/graphs/graph_data.h"

namespace kvKorvaneV10_0_3 {

namespace {

template <typename T>
KCGraphDataBase* Create() {
    return new T;
}

// KCGraphData<T> reports its key through these, so a written description reads back.
template <typename T>
class KCNamedGraphData : public KCGraphData<T> {
public:
    explicit KCNamedGraphData(const char* dataType = "") : m_dataType(dataType) {}
    [[nodiscard]] KCGraphDataBase* Clone() const override { return new KCNamedGraphData(*this); }
    [[nodiscard]] const char* GetDrawClassType() const override { return "GraphData"; }
    [[nodiscard]] const char* GetDrawClassDataType() const override { return m_dataType; }

private:
    const char* m_dataType;
};

template <typename T, const char* Name>
KCGraphDataBase* CreateNamed() {
    return new KCNamedGraphData<T>(Name);
}

constexpr char kChar[] = "char";
constexpr char kInt[] = "int";
constexpr char kFloat[] = "float";
constexpr char kDouble[] = "double";
constexpr char kLine[] = "Line";
constexpr char kOval[] = "Oval";
constexpr char kPoint[] = "Point";
constexpr char kPoint2s[] = "Point2s";
constexpr char kPoint2f[] = "Point2f";
constexpr char kPoint2d[] = "Point2d";
constexpr char kText[] = "Text";

constexpr KSDrawClass kClasses[] = {
    {"GraphData_char", &CreateNamed<char, kChar>},
    {"GraphData_int", &CreateNamed<int, kInt>},
    {"GraphData_float", &CreateNamed<float, kFloat>},
    {"GraphData_double", &CreateNamed<double, kDouble>},
    {"GraphData_Line", &CreateNamed<sLineDescription, kLine>},
    {"GraphData_Oval", &CreateNamed<sOvalDescription, kOval>},
    {"GraphData_Point", &CreateNamed<sPointDescription, kPoint>},
    {"GraphData_Point2s", &CreateNamed<KCPoint2D<short>, kPoint2s>},
    {"GraphData_Point2f", &CreateNamed<KCPoint2D<float>, kPoint2f>},
    {"GraphData_Point2d", &CreateNamed<KCPoint2D<double>, kPoint2d>},
    {"GraphData_Text", &CreateNamed<PluginViewManager::KCTextObject, kText>},
    {"DrawGraph_LineStrip_Point2s", &Create<TKCDrawGraph_LineStrip<KCPoint2D<short>>>},
    {"DrawGraph_LineStrip_Point2f", &Create<TKCDrawGraph_LineStrip<KCPoint2D<float>>>},
    {"DrawGraph_LineStrip", &Create<KCDrawGraph_LineStrip>},
    {"DrawGraph_Polygon", &Create<KCDrawGraph_Polygon>},
    {"DrawGraph_GradientPipe", &Create<KCDrawGraph_GradientPipe>},
    {"DrawGraph_ColorRect", &Create<KCDrawGraph_ColorRect>},
    {"DrawGraph_ClippedTexture", &Create<KCDrawGraph_ClippedTexture>},
    {"DrawGraph_LineSeries", &Create<KCDrawGraph_LineSeries>},
    {"DrawGraph_PointSeries", &Create<KCDrawGraph_PointSeries>},
    {"DrawGraph_OvalSeries", &Create<KCDrawGraph_OvalSeries>},
    {"DrawGraph_SurroundScope", &Create<KCDrawGraph_SurroundScope>},
    {"DrawGraph_Text", &Create<KCDrawGraph_Text>},
};

}  // namespace

std::span<const KSDrawClass> GraphDrawClasses() {
    return kClasses;
}

}  // namespace kvKorvaneV10_0_3
