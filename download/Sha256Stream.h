// SHA-256 over a stream of bytes, computed by libsodium, whose running state can be written down
// as text and taken up again: a download resumed in a later run goes on hashing where it stopped
// instead of reading gigabytes back.
#pragma once

#include <sodium.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class Sha256Stream {
public:
    using Digest = std::array<unsigned char, crypto_hash_sha256_BYTES>;

    Sha256Stream();

    void Update(const char* data, std::size_t size);
    // Bytes hashed so far.
    std::uint64_t Length() const;
    // The digest of the bytes so far; the stream can go on after it.
    Digest Final() const;

    // One line of text that Restore takes up again.
    std::string Save() const;
    // None for text that is not a saved state, or one that contradicts itself.
    static std::optional<Sha256Stream> Restore(const std::string& text);

private:
    crypto_hash_sha256_state state;
};

// Lowercase hex.
std::string DigestHex(const Sha256Stream::Digest& digest);
// Exactly 64 hex digits, either case; none otherwise.
std::optional<Sha256Stream::Digest> ParseDigestHex(const std::string& hex);
