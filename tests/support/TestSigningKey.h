// An Ed25519 key pair made from a fixed seed, for the tests and fuzzers that sign documents as
// scripts/sign-config.sh does: the same key, and so the same signatures, on every run.
#pragma once

#include <sodium.h>

#include <array>
#include <cstdlib>
#include <string>

struct TestSigningKey {
    std::array<unsigned char, crypto_sign_SECRETKEYBYTES> secret;
    // The public half, 64 lower-case hex digits.
    std::string publicHex;

    // Every byte of the seed is `seedByte`.
    static TestSigningKey FromSeed(unsigned char seedByte) {
        if (sodium_init() < 0)
            std::abort();
        std::array<unsigned char, crypto_sign_SEEDBYTES> seed;
        seed.fill(seedByte);
        std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> publicKey;
        TestSigningKey key;
        crypto_sign_seed_keypair(publicKey.data(), key.secret.data(), seed.data());
        std::array<char, 2 * crypto_sign_PUBLICKEYBYTES + 1> hex;
        key.publicHex = sodium_bin2hex(hex.data(), hex.size(), publicKey.data(), publicKey.size());
        return key;
    }

    // The signature of `body`, 128 lower-case hex digits.
    std::string SignatureHex(const std::string& body) const {
        std::array<unsigned char, crypto_sign_BYTES> signature;
        crypto_sign_detached(signature.data(), nullptr,
                             reinterpret_cast<const unsigned char*>(body.data()), body.size(),
                             secret.data());
        std::array<char, 2 * crypto_sign_BYTES + 1> hex;
        return sodium_bin2hex(hex.data(), hex.size(), signature.data(), signature.size());
    }
};
