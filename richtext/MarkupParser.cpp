#include "richtext/MarkupParser.h"

#include <cwchar>
#include <string>
#include <vector>

#include "richtext/MarkupNumber.h"

namespace {

constexpr wchar_t kTagOpen[] = L"{&#";
constexpr size_t kTagOpenLength = 3;

// A stack whose bottom entry can never be popped.
template <typename T>
class AttributeStack {
public:
    explicit AttributeStack(T bottom) : m_items{std::move(bottom)} {}
    void Push(T value) { m_items.push_back(std::move(value)); }
    void Pop() {
        if (m_items.size() > 1)
            m_items.pop_back();
    }
    const T& Top() const { return m_items.back(); }

private:
    std::vector<T> m_items;
};

// True when `body` begins with `word`; the words are lower-case ASCII and letters of the body
// match either case.
bool StartsWithTagWord(const std::wstring& body, const wchar_t* word) {
    const size_t length = std::wcslen(word);
    if (body.size() < length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        wchar_t c = body[i];
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != word[i])
            return false;
    }
    return true;
}

class MarkupScan {
public:
    MarkupScan(const MarkupParser::FontLookup& fonts, const MarkupParser::RunSink& sink)
        : m_fonts(fonts), m_sink(sink) {}

    void Run(const wchar_t* markup) {
        for (const wchar_t* p = markup; *p;) {
            if (std::wcsncmp(p, kTagOpen, kTagOpenLength) == 0) {
                if (const wchar_t* close = std::wcschr(p, L'}')) {
                    Flush();
                    ApplyTag(std::wstring(p + kTagOpenLength, close));
                    p = close + 1;
                    continue;
                }
            }
            m_pending.push_back(*p++);
        }
        Flush();
    }

private:
    // Tag words in the order they are tried; the first prefix match decides. "/acolor" must
    // come before "/a", which it begins with.
    void ApplyTag(const std::wstring& body) {
        if (StartsWithTagWord(body, L"a=")) {
            m_links.Push(body.substr(2));
        } else if (StartsWithTagWord(body, L"/acolor")) {
            m_linkColors.Pop();
        } else if (StartsWithTagWord(body, L"/a")) {
            m_links.Pop();
        } else if (StartsWithTagWord(body, L"acolor=")) {
            m_linkColors.Push(ParseMarkupColor(body.substr(7)));
        } else if (StartsWithTagWord(body, L"font=")) {
            const int entry = ParseMarkupInteger(body.substr(5), 10);
            if (entry >= MarkupParser::kFirstFont && entry <= MarkupParser::kLastFont)
                m_fontStack.Push(m_fonts(entry));
        } else if (StartsWithTagWord(body, L"/font")) {
            m_fontStack.Pop();
        } else if (StartsWithTagWord(body, L"color=")) {
            m_colors.Push(ParseMarkupColor(body.substr(6)));
        } else if (StartsWithTagWord(body, L"/color")) {
            m_colors.Pop();
        }
    }

    void Flush() {
        if (m_pending.empty())
            return;
        StyledRun run;
        run.text = std::move(m_pending);
        run.font = m_fontStack.Top();
        run.link = m_links.Top();
        // A link takes its colour only from "acolor="; "color=" does not reach it.
        run.color = run.link.empty() ? m_colors.Top() : m_linkColors.Top();
        m_pending.clear();
        m_sink(std::move(run));
    }

    const MarkupParser::FontLookup& m_fonts;
    const MarkupParser::RunSink& m_sink;
    AttributeStack<FontHandle> m_fontStack{nullptr};
    AttributeStack<int> m_colors{-1};
    AttributeStack<int> m_linkColors{-1};
    AttributeStack<std::wstring> m_links{std::wstring()};
    std::wstring m_pending;
};

}  // namespace

void MarkupParser::Parse(const wchar_t* markup, const FontLookup& fonts, const RunSink& sink) {
    MarkupScan(fonts, sink).Run(markup ? markup : L"");
}
