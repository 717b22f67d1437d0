#include "service/XmlWriter.h"

#include <vector>

#include "platform/AtomicFile.h"

namespace orvo {

namespace {

void AppendEscaped(std::string& out, const std::string& text, bool attribute) {
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
            if (attribute)
                out += "&quot;";
            else
                out += c;
            break;
        default:
            out += c;
        }
    }
}

// Writes the tree with a list of its own instead of recursion: a deep tree read from a file
// must not run the stack out.
class TextBuilder {
public:
    TextBuilder(std::string& out, bool formatted) : m_out(out), m_formatted(formatted) {}

    void Run(const XmlNode& root) {
        Open(root, 0);
        while (!m_stack.empty()) {
            Frame& frame = m_stack.back();
            if (frame.next == frame.items.size()) {
                if (frame.closeTag) {
                    Indent(frame.depth - 1);
                    m_out += "</";
                    m_out += frame.node.Name();
                    m_out += '>';
                    NewLine();
                }
                m_stack.pop_back();
                continue;
            }
            const XmlNode::ContentItem item = frame.items[frame.next++];
            const int depth = frame.depth;
            if (item.isChild) {
                const XmlNode child = frame.node.ChildAt(item.index);
                Open(child, depth); // may grow the stack: `frame` is not used after this
            } else {
                Indent(depth);
                AppendEscaped(m_out, frame.node.Text(item.index).value_or(std::string()), false);
                NewLine();
            }
        }
    }

private:
    struct Frame {
        XmlNode node;
        std::vector<XmlNode::ContentItem> items;
        size_t next = 0;
        int depth = 0; // of the content
        bool closeTag = false;
    };

    void Indent(int depth) {
        if (m_formatted)
            m_out.append(size_t(depth), '\t');
    }
    void NewLine() {
        if (m_formatted)
            m_out += '\n';
    }
    void Attributes(const XmlNode& node) {
        for (int i = 0; i < node.AttributeCount(); ++i) {
            const auto attribute = node.AttributeAt(i);
            m_out += ' ';
            m_out += attribute->first;
            m_out += "=\"";
            AppendEscaped(m_out, attribute->second, true);
            m_out += '"';
        }
    }

    void Open(const XmlNode& node, int depth) {
        if (node.IsEmpty())
            return;
        if (node.IsDeclaration()) {
            Indent(depth);
            m_out += "<?";
            m_out += node.Name();
            Attributes(node);
            m_out += "?>";
            NewLine();
            return;
        }
        if (node.Name().empty()) { // a document: its content at its own level
            m_stack.push_back({node, node.Content(), 0, depth, false});
            return;
        }
        Indent(depth);
        m_out += '<';
        m_out += node.Name();
        Attributes(node);
        if (node.ChildCount() == 0 && node.TextCount() == 0) {
            m_out += "/>";
            NewLine();
            return;
        }
        m_out += '>';
        if (node.ChildCount() == 0) {
            for (int i = 0; i < node.TextCount(); ++i)
                AppendEscaped(m_out, *node.Text(i), false);
            m_out += "</";
            m_out += node.Name();
            m_out += '>';
            NewLine();
            return;
        }
        NewLine();
        m_stack.push_back({node, node.Content(), 0, depth + 1, true});
    }

    std::string& m_out;
    const bool m_formatted;
    std::vector<Frame> m_stack;
};

bool StartsWithDeclaration(const XmlNode& tree) {
    if (tree.IsDeclaration())
        return XmlNamesEqual(tree.Name(), "xml");
    if (!tree.Name().empty())
        return false;
    const auto content = tree.Content();
    if (content.empty() || !content.front().isChild)
        return false;
    const XmlNode first = tree.ChildAt(content.front().index);
    return first.IsDeclaration() && XmlNamesEqual(first.Name(), "xml");
}

} // namespace

std::string XmlEscapeText(const std::string& text) {
    std::string out;
    AppendEscaped(out, text, false);
    return out;
}

std::string XmlEscapeAttribute(const std::string& value) {
    std::string out;
    AppendEscaped(out, value, true);
    return out;
}

std::string XmlWriter::CreateText(const XmlNode& tree, bool formatted) const {
    std::string out;
    TextBuilder(out, formatted && m_settings.formatOutput).Run(tree);
    return out;
}

std::string XmlWriter::FileBytes(const XmlNode& tree, const char* encodingName, bool formatted) const {
    std::string out;
    const char* declared = nullptr;
    switch (m_settings.encoding) {
    case XmlEncoding::Utf8:
        out = "\xEF\xBB\xBF";
        declared = "utf-8";
        break;
    case XmlEncoding::ShiftJis:
        declared = "SHIFT-JIS";
        break;
    case XmlEncoding::SingleByte:
        declared = encodingName ? encodingName : "ISO-8859-1";
        break;
    }
    if (!StartsWithDeclaration(tree)) {
        out += "<?xml version=\"1.0\" encoding=\"";
        out += declared;
        out += "\"?>\n";
    }
    out += CreateText(tree, formatted);
    return out;
}

XmlError XmlWriter::WriteFile(const XmlNode& tree, const std::string& path, const char* encodingName,
                              bool formatted, std::string* reason) const {
    AtomicFileWriter file;
    if (!file.Open(path)) {
        if (reason)
            *reason = file.Error();
        return XML_CANNOT_OPEN_WRITE_FILE;
    }
    if (!file.Write(FileBytes(tree, encodingName, formatted)) || !file.Commit()) {
        if (reason)
            *reason = file.Error();
        return XML_CANNOT_WRITE_FILE;
    }
    return XML_NO_ERROR;
}

} // namespace orvo
