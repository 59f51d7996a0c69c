// The polymorphic base of every graph data object a parameter can carry (curves, point
// lists, texts): its name, colour, position, font and text, and the drawing interface.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/geometry.h"
#include "korvane/core/xmlable.h"
#include "korvane/gs/gs_arrays.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gs/text_object.h"

namespace kvKorvaneV10_0_3 {

// XML (the "DrawClass" element it is read from): attribute "Type"; children "Font" (attributes
// "Name", "Size", "Flags" and a "Color" child), "GraphColor" (red, green, blue, alpha) and
// "PositionRect" (left, top, width, height). [any-thread] on distinct objects.
class KORVANE_API KCGraphDataBase : public XML::KCXMLable {
public:
    KCGraphDataBase() = default;
    KCGraphDataBase(const KCGraphDataBase&) = default;
    KCGraphDataBase& operator=(const KCGraphDataBase&) = default;
    ~KCGraphDataBase() override;

    // A new object of the same concrete type and content; the caller owns it.
    [[nodiscard]] virtual KCGraphDataBase* Clone() const = 0;
    // The first element (null when empty), the number of elements, and their size in bytes.
    [[nodiscard]] virtual const void* GetGraphData() const = 0;
    [[nodiscard]] virtual unsigned int GetGraphSize() const = 0;
    [[nodiscard]] virtual unsigned int GetGraphSizeInBytes() const = 0;
    // Resizes the element array where the type allows it; false otherwise.
    virtual bool ResizeGraph(unsigned int /*size*/) { return false; }
    // Writes the elements as one "pnt2" data record and returns 0 where the element type is a
    // short point; eGraphTypeNotSupported and nothing written otherwise. [gui-thread]
    virtual int GetGraphDataAsGraphicStream(kvGS::KCGraphicStreamBinaryWriter& writer) const;
    // Reads the base's attributes and children, then the primitive's own (null reads nothing).
    void ReadFromXML(XML::CXMLElement* element) override;
    // Writes what ReadFromXML reads into `element` and returns it.
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;
    // Called once after the description was read.
    virtual void FinishCreate() {}
    // Writes the drawing commands of the primitive; 0 or the first error. The base draws
    // nothing. [gui-thread]
    virtual int GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& /*writer*/) { return 0; }
    // The "DrawClass" type and data type this class is created for ("" when it has none).
    [[nodiscard]] virtual const char* GetDrawClassType() const { return ""; }
    [[nodiscard]] virtual const char* GetDrawClassDataType() const { return ""; }

    [[nodiscard]] const KCFixedStringBase& GetGraphType() const { return m_type; }
    void SetGraphType(const char* type) { m_type = type; }
    [[nodiscard]] const KCFixedStringBase& GetGraphName() const { return m_name; }
    void SetGraphName(const char* name) { m_name = name; }
    [[nodiscard]] const KCRGBAColor& GetGraphColor() const { return m_graphColor; }
    void SetGraphColor(const KCRGBAColor& color) { m_graphColor = color; }
    [[nodiscard]] const KURect<short>& GetPositionRect() const { return m_positionRect; }
    void SetPositionRect(const KURect<short>& rect) { m_positionRect = rect; }
    [[nodiscard]] const PluginViewManager::KCTextObject& GetTextObject() const { return m_text; }
    PluginViewManager::KCTextObject& TextObject() { return m_text; }
    kvGS::KCGSArrays& GSArrays() { return m_arrays; }

protected:
    // The primitive's own part of the description; the defaults do nothing.
    virtual void ReadFromXMLSelf(const XML::CXMLElement& /*element*/) {}
    virtual void WriteToXMLSelf(XML::CXMLElement& /*element*/) const {}

    // Helpers for the primitives: a bool attribute ("True"/"true"/"1" is true), a float, an
    // integer, a colour or rectangle child, a font child. Missing values leave `value`.
    static void ReadBool(const XML::CXMLElement& e, const char* name, bool& value);
    static void ReadFloat(const XML::CXMLElement& e, const char* name, float& value);
    static void ReadInt(const XML::CXMLElement& e, const char* name, int& value);
    static void ReadColor(const XML::CXMLElement& e, const char* child, KCRGBAColor& value);
    static void ReadRect(const XML::CXMLElement& e, const char* child, KURect<short>& value);
    static void ReadFont(const XML::CXMLElement& e, const char* child,
                         PluginViewManager::KCFontDescription& value);
    static void WriteBool(XML::CXMLElement& e, const char* name, bool value);
    static void WriteFloat(XML::CXMLElement& e, const char* name, float value);
    static void WriteColor(XML::CXMLElement& e, const char* child, const KCRGBAColor& value);
    static void WriteRect(XML::CXMLElement& e, const char* child, const KURect<short>& value);
    static void WriteFont(XML::CXMLElement& e, const char* child,
                          const PluginViewManager::KCFontDescription& value);
    // The result of records just written: the writer's error keeps the first failure of any
    // earlier write, so only a failure that arose since `errorBefore`/`sizeBefore` counts.
    static int WriteResult(const kvGS::KCGraphicStreamBinaryWriter& writer, KTErr errorBefore,
                           unsigned int sizeBefore);

private:
    KCFixedString<63> m_type;
    PluginViewManager::KCTextObject m_text;
    KCFixedString<127> m_name;
    KCRGBAColor m_graphColor;
    KURect<short> m_positionRect;
    kvGS::KCGSArrays m_arrays;
};

}  // namespace kvKorvaneV10_0_3
