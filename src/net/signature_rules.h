// The publisher's signature on a program file, as the platform's verification saw it, and the rule
// that decides whether a downloaded program may replace or run beside the running one.
#pragma once
#include <cstdint>
#include <string>

namespace mrvn {

enum class SignatureStatus {
    None,       // the file carries no signature at all
    Valid,      // intact, and its certificate chain is trusted here
    Untrusted,  // intact, but its chain is not trusted here (unknown root, expired, incomplete)
    Broken,     // a signature that does not match the file, that cannot be read, or that is distrusted
};

// Who signed: the DER of the signing certificate's subject name and of its public key (algorithm,
// parameters and key). Empty when no signer certificate could be read from the signature.
struct SignerIdentity {
    std::string subject;
    std::string publicKey;

    bool Empty() const { return subject.empty() || publicKey.empty(); }
};

struct SignatureCheck {
    SignatureStatus status = SignatureStatus::None;
    uint32_t error = 0;  // the verification's own result code, 0 when valid
    SignerIdentity signer;
};

// The same publisher: the same subject and the same public key. A renewed certificate for the same
// key passes; a certificate for another key, whoever issued it, does not.
bool SameSigner(const SignerIdentity& a, const SignerIdentity& b);

// Whether the program that `release` describes may take the place of (or be started by) the program
// that `running` describes. An unsigned running program accepts what it always did. A signed one
// accepts only an intact signature by the same publisher, trusted here at least as far as its own.
bool ReleaseSignatureAccepted(const SignatureCheck& running, const SignatureCheck& release);

// The platform's verification of one file (WinVerifyTrust and the signer's certificate).
class SignatureVerifier {
public:
    virtual ~SignatureVerifier() = default;
    virtual SignatureCheck Verify(const std::wstring& path) = 0;
};

// The rule applied to two files: `candidate` against the program running from `runningPath`. The
// candidate is not looked at when the running program is unsigned.
bool SignedLikeRunningProgram(SignatureVerifier& verifier, const std::wstring& runningPath,
                              const std::wstring& candidate);

}  // namespace mrvn
