// The XML text writer and its escaping.
#include "korvane/xml/xml_writer.h"

#include <ostream>

namespace kvKorvaneV10_0_3::XML {
namespace {

void Indent(std::ostream& out, bool indent, unsigned int level) {
    if (indent) {
        for (unsigned int i = 0; i < level; ++i) {
            out << "    ";
        }
    }
}

void WriteEscaped(std::ostream& out, std::string_view text, bool attribute) {
    std::string escaped;
    AppendEscaped(escaped, text, attribute);
    out << escaped;
}

// A CDATA section cannot hold its own terminator: split it between two sections.
std::string SplitTerminators(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find("]]>"); at != std::string::npos; at = text.find("]]>", from)) {
        out.append(text, from, at - from);
        out.append("]]]]><![CDATA[>");
        from = at + 3;
    }
    out.append(text, from, std::string::npos);
    return out;
}

}  // namespace

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
    out.reserve(out.size() + text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '\r':
                out += "&#13;";
                break;
            case '\n':
                if (attribute) {
                    out += "&#10;";
                } else {
                    out += c;
                }
                break;
            case '\t':
                if (attribute) {
                    out += "&#9;";
                } else {
                    out += c;
                }
                break;
            default:
                out += c;
                break;
        }
    }
}

void WriteXMLToStream(std::ostream& out, const CXMLElement& e, bool validate, bool indent,
                      unsigned int level) {
    if (validate && !e.IsValid()) {
        out << "XML not valid" << std::endl;
        return;
    }
    Indent(out, indent, level);
    out << '<' << e.GetName().c_str();
    unsigned int pos = 0;
    std::string_view name;
    std::string_view value;
    while (e.NextAttrib(pos, name, value)) {
        out << ' ' << name << "=\"";
        WriteEscaped(out, value, true);
        out << '"';
    }
    const bool hasChildren = !e.GetSubElements().empty();
    const std::string& text = e.GetText();
    if (!hasChildren && text.empty()) {
        out << "/>" << std::endl;
        return;
    }
    out << '>';
    const bool cdata = !text.empty() && e.IsCDATA();
    const bool block = hasChildren || cdata;
    if (cdata) {
        out << std::endl;
        Indent(out, indent, level + 1);
        out << "<![CDATA[" << std::endl;
        Indent(out, indent, level + 1);
        out << SplitTerminators(text) << std::endl;
        Indent(out, indent, level + 1);
        out << "]]>" << std::endl;
    } else {
        WriteEscaped(out, text, false);
        if (hasChildren) {
            out << std::endl;
        }
    }
    for (const CXMLElement* child : e.GetSubElements()) {
        WriteXMLToStream(out, *child, validate, indent, level + 1);
    }
    if (block) {
        Indent(out, indent, level);
    }
    out << "</" << e.GetName().c_str() << '>' << std::endl;
}

std::ostream& operator<<(std::ostream& out, const CXMLElement& e) {
    WriteXMLToStream(out, e, false, true, 0);
    return out;
}

}  // namespace kvKorvaneV10_0_3::XML
