#include "service/XmlNode.h"

#include <algorithm>

#include "service/XmlWriter.h"

namespace orvo {

struct XmlNodeData {
    std::string name;
    bool declaration = false;
    std::vector<std::shared_ptr<XmlNodeData>> children;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<std::string> texts;
    std::vector<bool> order; // document order of the content: true the next child, false the next text

    XmlNodeData() = default;
    XmlNodeData(const XmlNodeData&) = delete;
    XmlNodeData& operator=(const XmlNodeData&) = delete;

    // A file of a million nested elements must not take a million stack frames to free: the
    // subtree is taken apart with a list of its own.
    ~XmlNodeData() {
        std::vector<std::shared_ptr<XmlNodeData>> pending = std::move(children);
        while (!pending.empty()) {
            std::shared_ptr<XmlNodeData> node = std::move(pending.back());
            pending.pop_back();
            if (node.use_count() == 1) {
                for (auto& child : node->children)
                    pending.push_back(std::move(child));
                node->children.clear();
            }
        }
    }
};

namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

const std::string kNoName;

// Where the content piece number `nth` of the kind `child` stands in the order list; the end
// when there are not that many.
size_t OrderPosition(const std::vector<bool>& order, bool child, size_t nth) {
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == child) {
            if (nth == 0)
                return i;
            --nth;
        }
    }
    return order.size();
}

} // namespace

bool XmlNamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

XmlNode XmlNode::Create(std::string name, bool isDeclaration) {
    auto data = std::make_shared<XmlNodeData>();
    data->name = std::move(name);
    data->declaration = isDeclaration;
    return XmlNode(std::move(data));
}

const std::string& XmlNode::Name() const {
    return m_data ? m_data->name : kNoName;
}

bool XmlNode::IsDeclaration() const {
    return m_data && m_data->declaration;
}

XmlNode XmlNode::Child(std::string_view name, int* index) const {
    if (!m_data)
        return {};
    const int count = int(m_data->children.size());
    for (int i = index ? std::max(*index, 0) : 0; i < count; ++i) {
        if (XmlNamesEqual(m_data->children[size_t(i)]->name, name)) {
            if (index)
                *index = i + 1;
            return XmlNode(m_data->children[size_t(i)]);
        }
    }
    return {};
}

XmlNode XmlNode::ChildAt(int i) const {
    if (!m_data || i < 0 || size_t(i) >= m_data->children.size())
        return {};
    return XmlNode(m_data->children[size_t(i)]);
}

int XmlNode::ChildCount() const {
    return m_data ? int(m_data->children.size()) : 0;
}

int XmlNode::ChildCount(std::string_view name) const {
    if (!m_data)
        return 0;
    int count = 0;
    for (const auto& child : m_data->children)
        if (XmlNamesEqual(child->name, name))
            ++count;
    return count;
}

std::optional<std::string> XmlNode::Attribute(std::string_view name, int* index) const {
    if (!m_data)
        return std::nullopt;
    const int count = int(m_data->attributes.size());
    for (int i = index ? std::max(*index, 0) : 0; i < count; ++i) {
        if (XmlNamesEqual(m_data->attributes[size_t(i)].first, name)) {
            if (index)
                *index = i + 1;
            return m_data->attributes[size_t(i)].second;
        }
    }
    return std::nullopt;
}

int XmlNode::AttributeCount() const {
    return m_data ? int(m_data->attributes.size()) : 0;
}

std::optional<std::pair<std::string, std::string>> XmlNode::AttributeAt(int i) const {
    if (!m_data || i < 0 || size_t(i) >= m_data->attributes.size())
        return std::nullopt;
    return m_data->attributes[size_t(i)];
}

std::optional<std::string> XmlNode::Text(int i) const {
    if (!m_data || i < 0 || size_t(i) >= m_data->texts.size())
        return std::nullopt;
    return m_data->texts[size_t(i)];
}

int XmlNode::TextCount() const {
    return m_data ? int(m_data->texts.size()) : 0;
}

XmlNode XmlNode::AddChild(std::string name, bool isDeclaration, int position) {
    if (!m_data)
        return {};
    XmlNode child = Create(std::move(name), isDeclaration);
    auto& children = m_data->children;
    if (position < 0 || size_t(position) >= children.size()) {
        children.push_back(child.m_data);
        m_data->order.push_back(true);
    } else {
        const size_t at = OrderPosition(m_data->order, true, size_t(position));
        m_data->order.insert(m_data->order.begin() + std::ptrdiff_t(at), true);
        children.insert(children.begin() + position, child.m_data);
    }
    return child;
}

void XmlNode::AddAttribute(std::string name, std::string value) {
    if (m_data)
        m_data->attributes.emplace_back(std::move(name), std::move(value));
}

void XmlNode::AddText(std::string text, int position) {
    if (!m_data)
        return;
    auto& texts = m_data->texts;
    if (position < 0 || size_t(position) >= texts.size()) {
        texts.push_back(std::move(text));
        m_data->order.push_back(false);
    } else {
        const size_t at = OrderPosition(m_data->order, false, size_t(position));
        m_data->order.insert(m_data->order.begin() + std::ptrdiff_t(at), false);
        texts.insert(texts.begin() + position, std::move(text));
    }
}

std::vector<XmlNode::ContentItem> XmlNode::Content() const {
    std::vector<ContentItem> items;
    if (!m_data)
        return items;
    items.reserve(m_data->order.size());
    int children = 0;
    int texts = 0;
    for (const bool isChild : m_data->order)
        items.push_back({isChild, isChild ? children++ : texts++});
    return items;
}

std::string XmlNode::CreateText(bool formatted) const {
    return XmlWriter().CreateText(*this, formatted);
}

} // namespace orvo
