#include "download/Sha256Stream.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "base/HexBytes.h"

namespace {

// The saved form names its version and kind first, so that any other text is refused.
constexpr char kTag[] = "sha256-state-1";
constexpr std::size_t kBlock = sizeof(crypto_hash_sha256_state::buf);

}  // namespace

Sha256Stream::Sha256Stream() {
    // Idempotent and thread-safe; libsodium wants it before any other call.
    if (sodium_init() < 0)
        throw std::runtime_error("sodium_init");
    crypto_hash_sha256_init(&state);
}

void Sha256Stream::Update(const char* data, std::size_t size) {
    crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(data), size);
}

std::uint64_t Sha256Stream::Length() const {
    return state.count / 8;
}

Sha256Stream::Digest Sha256Stream::Final() const {
    crypto_hash_sha256_state copy = state;
    Digest digest{};
    crypto_hash_sha256_final(&copy, digest.data());
    return digest;
}

std::string Sha256Stream::Save() const {
    // Each field by name and in a fixed byte order, never the structure's memory: a 32-bit and
    // a 64-bit program read each other's state.
    std::ostringstream text;
    text << kTag << ' ' << Length();
    for (const std::uint32_t word : state.state) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08lx", static_cast<unsigned long>(word));
        text << ' ' << digits;
    }
    const std::size_t partial = Length() % kBlock;
    if (partial > 0)
        text << ' ' << EncodeHex(state.buf, partial);
    text << '\n';
    return text.str();
}

std::optional<Sha256Stream> Sha256Stream::Restore(const std::string& text) {
    std::istringstream in(text);
    std::string tag;
    std::string length;
    if (!(in >> tag >> length) || tag != kTag || length.empty() ||
        length.find_first_not_of("0123456789") != std::string::npos || length.size() > 18)
        return std::nullopt;
    Sha256Stream stream;
    const std::uint64_t bytes = std::stoull(length);
    stream.state.count = bytes * 8;
    for (std::uint32_t& word : stream.state.state) {
        std::string hex;
        unsigned char be[4];
        if (!(in >> hex) || !DecodeHex(hex, be, sizeof be))
            return std::nullopt;
        word = static_cast<std::uint32_t>(be[0]) << 24 | static_cast<std::uint32_t>(be[1]) << 16 |
               static_cast<std::uint32_t>(be[2]) << 8 | be[3];
    }
    const std::size_t partial = bytes % kBlock;
    std::string tail;
    // A state on a block boundary has no partial block: the line ends after the words.
    if (partial > 0 && !(in >> tail))
        return std::nullopt;
    if (!DecodeHex(tail, stream.state.buf, partial))
        return std::nullopt;
    std::string rest;
    if (in >> rest)
        return std::nullopt;
    return stream;
}

std::string DigestHex(const Sha256Stream::Digest& digest) {
    return EncodeHex(digest.data(), digest.size());
}

std::optional<Sha256Stream::Digest> ParseDigestHex(const std::string& hex) {
    Sha256Stream::Digest digest{};
    if (!DecodeHex(hex, digest.data(), digest.size()))
        return std::nullopt;
    return digest;
}
