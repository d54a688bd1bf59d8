// The platform's Authenticode verification of a program file: WinVerifyTrust with the generic
// verify policy, and the signer's certificate read from the file's own signature.
#pragma once
#include <string>

#include "net/signature_rules.h"

namespace mrvn::net {

// Verifies `path` and reads its signer. Never asks the network: no revocation check and no
// retrieval of certificates the signature does not carry.
SignatureCheck VerifyFileSignature(const std::wstring& path);

class Win32SignatureVerifier final : public SignatureVerifier {
public:
    SignatureCheck Verify(const std::wstring& path) override { return VerifyFileSignature(path); }
};

// One verifier for the process; it keeps no state.
SignatureVerifier& PlatformSignatures();

}  // namespace mrvn::net
