#include "base/SignedDocument.h"

#include <sodium.h>

#include <array>
#include <cstddef>

#include "base/HexBytes.h"

namespace {

constexpr std::string_view kSection = "[SIGNATURE]";
constexpr std::string_view kSignatureKey = "ed25519=";

// Where the first line from `from` on that starts with the section's name begins; npos when none
// does. A name further into a line is text of that line (a mirror's address, say), never a section.
std::size_t FindSectionLine(std::string_view document, std::size_t from) {
    for (std::size_t at = document.find(kSection, from); at != std::string_view::npos;
         at = document.find(kSection, at + 1)) {
        if (at == 0 || document[at - 1] == '\n')
            return at;
    }
    return std::string_view::npos;
}

// Takes one line end, "\r\n" or "\n", off the front of `text`; false when it starts with none.
bool TakeLineEnd(std::string_view& text) {
    for (std::string_view end : {std::string_view("\r\n"), std::string_view("\n")}) {
        if (text.substr(0, end.size()) == end) {
            text.remove_prefix(end.size());
            return true;
        }
    }
    return false;
}

}  // namespace

SignedDocument CheckSignedDocument(std::string_view document, std::string_view publicKeyHex) {
    using Check = SignedDocument::Check;
    const std::size_t section = FindSectionLine(document, 0);
    if (section == std::string_view::npos)
        return {Check::Missing, {}};
    if (FindSectionLine(document, section + 1) != std::string_view::npos)
        return {Check::Malformed, {}};

    std::string_view rest = document.substr(section + kSection.size());
    if (!TakeLineEnd(rest) || rest.substr(0, kSignatureKey.size()) != kSignatureKey)
        return {Check::Malformed, {}};
    rest.remove_prefix(kSignatureKey.size());
    std::array<unsigned char, crypto_sign_BYTES> signature{};
    if (!DecodeHex(rest.substr(0, 2 * crypto_sign_BYTES), signature.data(), signature.size()))
        return {Check::Malformed, {}};
    rest.remove_prefix(2 * crypto_sign_BYTES);
    TakeLineEnd(rest);
    if (!rest.empty())
        return {Check::Malformed, {}};

    const std::string_view body = document.substr(0, section);
    std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> key{};
    if (sodium_init() < 0 || !DecodeHex(publicKeyHex, key.data(), key.size()) ||
        crypto_sign_verify_detached(signature.data(),
                                    reinterpret_cast<const unsigned char*>(body.data()),
                                    body.size(), key.data()) != 0)
        return {Check::Mismatch, {}};
    return {Check::Valid, body};
}
