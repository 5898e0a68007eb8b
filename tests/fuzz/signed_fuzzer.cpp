// Any bytes as a signed configuration document, checked against a fixed key. The check ends
// without fault; a valid one hands back exactly the bytes before the one signature section, which
// the parser then reads. And the same bytes, signed with that key the way scripts/sign-config.sh
// signs a document, check valid exactly when they held no signature section of their own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "base/CloudConfig.h"
#include "base/SignedDocument.h"
#include "tests/support/TestSigningKey.h"

namespace {

// The seed corpus's signed documents were signed with the key of this seed.
constexpr unsigned char kSeedByte = 0x5a;

const TestSigningKey& FuzzKey() {
    static const TestSigningKey key = TestSigningKey::FromSeed(kSeedByte);
    return key;
}

std::string Signed(std::string body) {
    if (!body.empty() && body.back() != '\n')
        body += "\r\n";
    return body + "[SIGNATURE]\r\ned25519=" + FuzzKey().SignatureHex(body) + "\r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const TestSigningKey& key = FuzzKey();

    const SignedDocument checked = CheckSignedDocument(input, key.publicHex);
    if (checked.check == SignedDocument::Check::Valid) {
        const std::string_view rest = std::string_view(input).substr(checked.body.size());
        if (checked.body.data() != input.data() || rest.substr(0, 11) != "[SIGNATURE]")
            std::abort();
        std::istringstream body{std::string(checked.body)};
        CloudConfig config;
        ParseConfig(body, config);
    } else if (!checked.body.empty()) {
        std::abort();
    }

    const std::string document = Signed(input);
    const bool valid =
        CheckSignedDocument(document, key.publicHex).check == SignedDocument::Check::Valid;
    const bool alreadySigned = checked.check != SignedDocument::Check::Missing;
    if (valid == alreadySigned)
        std::abort();
    return 0;
}
