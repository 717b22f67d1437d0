#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvo {

struct XmlNodeData;

// A handle to one node of an XML tree: an element, a declaration (<?...?>) or the unnamed
// document node that holds a file's top-level nodes. Handles share their node; the node lives
// as long as any handle or its parent does. An empty handle stands for no node: its lookups
// find nothing and its additions do nothing.
//
// Names of elements and attributes are compared without regard to ASCII letter case.
class XmlNode {
public:
    XmlNode() = default;

    // A new tree. With an empty name the node is a document: it writes only its content.
    static XmlNode Create(std::string name = {}, bool isDeclaration = false);

    bool IsEmpty() const { return !m_data; }
    const std::string& Name() const;
    bool IsDeclaration() const;
    bool SameNode(const XmlNode& other) const { return m_data == other.m_data; }

    // The first child called `name` at or after *index; *index is moved past the match.
    XmlNode Child(std::string_view name, int* index = nullptr) const;
    XmlNode ChildAt(int i) const;
    int ChildCount() const;
    int ChildCount(std::string_view name) const;

    // The value of the first attribute called `name` at or after *index; *index is moved past it.
    std::optional<std::string> Attribute(std::string_view name, int* index = nullptr) const;
    int AttributeCount() const;
    std::optional<std::pair<std::string, std::string>> AttributeAt(int i) const;

    std::optional<std::string> Text(int i = 0) const;
    int TextCount() const;

    // Position -1 (or past the end) appends; otherwise the new piece comes before the child or
    // text piece that has that position now.
    XmlNode AddChild(std::string name, bool isDeclaration = false, int position = -1);
    void AddAttribute(std::string name, std::string value);
    void AddText(std::string text, int position = -1);

    // Children and text pieces in document order (false: a text piece, with its index).
    struct ContentItem {
        bool isChild;
        int index;
    };
    std::vector<ContentItem> Content() const;

    // The tree as text, without declaration or byte-order mark; formatted: one element per
    // line, indented by one tab per level.
    std::string CreateText(bool formatted = true) const;

private:
    explicit XmlNode(std::shared_ptr<XmlNodeData> data) : m_data(std::move(data)) {}

    std::shared_ptr<XmlNodeData> m_data;
};

// Case-insensitive comparison of names (ASCII letters only; other bytes must be equal).
bool XmlNamesEqual(std::string_view a, std::string_view b);

} // namespace orvo
