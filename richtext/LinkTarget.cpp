#include "richtext/LinkTarget.h"

#include "richtext/MarkupNumber.h"

namespace {

// `prefix` is lower-case ASCII; only ASCII letters of `text` fold.
bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    for (size_t i = 0; prefix[i]; ++i) {
        if (i >= text.size())
            return false;
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

bool IsWebAddress(std::wstring address) {
    // The program writes its site link in double quotes; the shell strips them itself.
    if (address.size() >= 2 && address.front() == L'"' && address.back() == L'"')
        address = address.substr(1, address.size() - 2);
    size_t scheme = 0;
    if (StartsWithNoCase(address, L"http://"))
        scheme = 7;
    else if (StartsWithNoCase(address, L"https://"))
        scheme = 8;
    if (scheme == 0 || address.size() == scheme)
        return false;
    // A quote or blank would let the text after it reach the browser as further arguments.
    for (wchar_t c : address) {
        if (c <= L' ' || c == L'"' || c == 0x7F)
            return false;
    }
    return true;
}

}  // namespace

LinkTarget LinkTarget::Classify(const std::wstring& target) {
    LinkTarget result;
    if (StartsWithNoCase(target, L"button:")) {
        const std::wstring number = target.substr(7);
        const bool hex =
            number.size() >= 2 && number[0] == L'0' && (number[1] == L'x' || number[1] == L'X');
        const int value =
            hex ? ParseMarkupInteger(number.substr(2), 16) : ParseMarkupInteger(number, 10);
        result.kind = Kind::kCommand;
        result.command = static_cast<unsigned short>(value & 0xFFFF);
    } else if (IsWebAddress(target)) {
        result.kind = Kind::kWebAddress;
    }
    return result;
}
