#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "base/SignedDocument.h"
#include "tests/support/TestSigningKey.h"

namespace {

using Check = SignedDocument::Check;

// The signature section, as scripts/sign-config.sh writes it.
std::string Section(const std::string& hex, const std::string& lineEnd = "\r\n") {
    return "[SIGNATURE]" + lineEnd + "ed25519=" + hex + lineEnd;
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

TEST(SignedDocument, OnlyTheKeysSignatureOverTheExactBytesBeforeItIsValid) {
    const TestSigningKey key = TestSigningKey::FromSeed(0x11);
    const TestSigningKey other = TestSigningKey::FromSeed(0x22);
    const std::string body =
        "[WINXPWP]\r\nurlcount=1\r\nurl1=http://mirror.example/xp.qrn\r\n[WIN7WP]\r\nurlcount=0\r\n"
        "[WINXP]\r\nurlcount=0\r\n[WIN7]\r\nurlcount=0\r\n";
    const std::string unixBody = "[WIN7]\nurlcount=1\nurl1=http://m/[SIGNATURE]\n";
    const std::string hex = key.SignatureHex(body);
    const std::string signature = Section(hex);
    std::string changed = body;
    changed[changed.find("mirror")] = 'n';
    const std::string signatureLine = "ed25519=" + hex + "\r\n";

    const struct {
        const char* name;
        std::string document;
        Check check;
        std::string body;  // what a Valid check hands back
    } cases[] = {
        {"signed", body + signature, Check::Valid, body},
        {"without the last line end", body + signature.substr(0, signature.size() - 2),
         Check::Valid, body},
        {"LF line ends, the section's name inside a line",
         unixBody + Section(key.SignatureHex(unixBody), "\n"), Check::Valid, unixBody},
        {"upper-case digits", body + Section(Upper(hex)), Check::Valid, body},
        {"unsigned", body, Check::Missing, ""},
        {"empty", "", Check::Missing, ""},
        {"the section's name not at a line start", body + " " + signature, Check::Missing, ""},
        {"signed by another key", body + Section(other.SignatureHex(body)), Check::Mismatch, ""},
        {"one byte of a mirror line changed", changed + signature, Check::Mismatch, ""},
        {"the line end before the section dropped",
         body.substr(0, body.size() - 2) + "\n" + signature, Check::Mismatch, ""},
        {"signature truncated", body + signature.substr(0, signature.size() - 3), Check::Malformed,
         ""},
        {"a digit that is not hex", body + signature.substr(0, 40) + "g" + signature.substr(41),
         Check::Malformed, ""},
        {"signature repeated", body + signature + signature, Check::Malformed, ""},
        {"a second signature line", body + signature + signatureLine, Check::Malformed, ""},
        {"data after the signature", body + signature + "[WIN7]\r\nurlcount=0\r\n",
         Check::Malformed, ""},
        {"a blank line after the signature", body + signature + "\r\n", Check::Malformed, ""},
        {"a blank line inside the section", body + "[SIGNATURE]\r\n\r\n" + signatureLine,
         Check::Malformed, ""},
        {"a blank after the name", body + "[SIGNATURE] \r\n" + signatureLine, Check::Malformed, ""},
        {"another algorithm's name", body + "[SIGNATURE]\r\ned448=" + hex + "\r\n",
         Check::Malformed, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SignedDocument checked = CheckSignedDocument(c.document, key.publicHex);
        EXPECT_EQ(checked.check, c.check);
        EXPECT_EQ(checked.body, c.body);
        if (c.check == Check::Valid) {
            EXPECT_EQ(checked.body.data(), c.document.data()) << "a view into the document";
        }
    }
}

TEST(SignedDocument, AKeyThatIsNot64HexDigitsVerifiesNothing) {
    const TestSigningKey key = TestSigningKey::FromSeed(0x11);
    const std::string body = "[WIN7]\r\nurlcount=0\r\n";
    const std::string document = body + Section(key.SignatureHex(body));
    for (const std::string& wrong : {std::string(), key.publicHex.substr(2), key.publicHex + "00",
                                     "zz" + key.publicHex.substr(2)}) {
        SCOPED_TRACE(wrong);
        EXPECT_EQ(CheckSignedDocument(document, wrong).check, Check::Mismatch);
    }
    EXPECT_EQ(CheckSignedDocument(document, Upper(key.publicHex)).check, Check::Valid);
}

}  // namespace
