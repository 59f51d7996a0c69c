// The XML text writer and its escaping.
#include "korvane/xml/xml_writer.h"

#include <cstddef>
#include <ostream>
#include <vector>

namespace kvKorvaneV10_0_3::XML {
namespace {

void Indent(std::string& out, bool indent, unsigned int level) {
    if (indent) {
        out.append(static_cast<std::size_t>(level) * 4, ' ');
    }
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
    // Runs of plain characters are copied whole; only the special ones are looked at.
    const char* const specials = attribute ? "&<>\"'\r\n\t" : "&<>\"'\r";
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t at = text.find_first_of(specials, from);
        if (at == std::string_view::npos) {
            out.append(text.substr(from));
            return;
        }
        out.append(text.substr(from, at - from));
        switch (text[at]) {
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
                out += "&#10;";
                break;
            default:
                out += "&#9;";
                break;
        }
        from = at + 1;
    }
}

void AppendXML(std::string& out, const CXMLElement& e, bool validate, bool indent,
               unsigned int level) {
    // An explicit stack of open elements rather than recursion, so that the depth of a tree
    // costs heap, not call stack.
    struct Open {
        const CXMLElement* element;
        std::size_t nextChild;
        unsigned int level;
        bool block;
    };
    std::vector<Open> open;
    // Writes the start tag and text; an element with children or text stays open.
    const auto start = [&](const CXMLElement& x, unsigned int at) {
        if (validate && !x.IsValid()) {
            out += "XML not valid\n";
            return;
        }
        // No tag can be written without a name (a failed parse can leave such an element):
        // it is left out together with what it holds.
        if (x.GetName().empty()) {
            return;
        }
        Indent(out, indent, at);
        out += '<';
        out += x.GetName().c_str();
        unsigned int pos = 0;
        std::string_view name;
        std::string_view value;
        while (x.NextAttrib(pos, name, value)) {
            out += ' ';
            out += name;
            out += "=\"";
            AppendEscaped(out, value, true);
            out += '"';
        }
        const bool hasChildren = !x.GetSubElements().empty();
        const std::string& text = x.GetText();
        if (!hasChildren && text.empty()) {
            out += "/>\n";
            return;
        }
        out += '>';
        const bool cdata = !text.empty() && x.IsCDATA();
        if (cdata) {
            out += '\n';
            Indent(out, indent, at + 1);
            out += "<![CDATA[\n";
            Indent(out, indent, at + 1);
            out += SplitTerminators(text);
            out += '\n';
            Indent(out, indent, at + 1);
            out += "]]>\n";
        } else {
            AppendEscaped(out, text, false);
            if (hasChildren) {
                out += '\n';
            }
        }
        open.push_back({&x, 0, at, hasChildren || cdata});
    };
    start(e, level);
    while (!open.empty()) {
        Open& top = open.back();
        const std::vector<CXMLElement*>& children = top.element->GetSubElements();
        if (top.nextChild < children.size()) {
            const CXMLElement* child = children[top.nextChild++];
            start(*child, top.level + 1);  // may grow `open`: `top` is not used after this
            continue;
        }
        if (top.block) {
            Indent(out, indent, top.level);
        }
        out += "</";
        out += top.element->GetName().c_str();
        out += ">\n";
        open.pop_back();
    }
}

void WriteXMLToStream(std::ostream& out, const CXMLElement& e, bool validate, bool indent,
                      unsigned int level) {
    std::string text;
    AppendXML(text, e, validate, indent, level);
    out << text;
    out.flush();
}

std::ostream& operator<<(std::ostream& out, const CXMLElement& e) {
    WriteXMLToStream(out, e, false, true, 0);
    return out;
}

}  // namespace kvKorvaneV10_0_3::XML
