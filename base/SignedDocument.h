// A document that carries an Ed25519 signature of its own bytes as its last INI section:
//
//   <the signed bytes, ending in a line end>[SIGNATURE]
//   ed25519=<128 hex digits>
//
// An INI reader that knows nothing of signatures reads one more section, which it never asks
// for, so a signed document configures a program without a key exactly as it did unsigned.
// scripts/sign-config.sh writes and checks the same form.
#pragma once

#include <string_view>

struct SignedDocument {
    enum class Check {
        // The key signed `body`, byte for byte.
        Valid,
        // No line starts with "[SIGNATURE]".
        Missing,
        // More than one line starts with "[SIGNATURE]", or its line is not followed by exactly one
        // line "ed25519=" and 128 hex digits (either case), a line end and nothing else.
        Malformed,
        // Well formed, but not made by the key over these bytes.
        Mismatch,
    };
    Check check;
    // Everything before the signature section, a view into the document that was checked; empty
    // unless `check` is Valid. Only these bytes may be read as the configuration.
    std::string_view body;
};

// Checks `document` against the public key `publicKeyHex`, 64 hex digits; any other text is a
// key that verifies nothing.
SignedDocument CheckSignedDocument(std::string_view document, std::string_view publicKeyHex);
