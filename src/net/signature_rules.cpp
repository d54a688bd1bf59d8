#include "net/signature_rules.h"

namespace mrvn {

bool SameSigner(const SignerIdentity& a, const SignerIdentity& b) {
    return !a.Empty() && a.subject == b.subject && a.publicKey == b.publicKey;
}

bool ReleaseSignatureAccepted(const SignatureCheck& running, const SignatureCheck& release) {
    // A developer's build, or a platform that does not sign: the key and the allow-list decide.
    if (running.status == SignatureStatus::None) return true;
    // A signed program stays bound to its publisher even when its own chain does not verify here
    // (an expired certificate, a root taken out): falling back to unsigned rules then would hand
    // the update to whoever answers the request.
    if (!SameSigner(running.signer, release.signer)) return false;
    switch (release.status) {
        case SignatureStatus::Valid: return true;
        // Only the holder of the key could have made an intact signature; a platform that signs
        // under a root this machine does not know still updates, as long as it stays with it.
        case SignatureStatus::Untrusted:
            return running.status == SignatureStatus::Untrusted && release.error == running.error;
        case SignatureStatus::None:
        case SignatureStatus::Broken: return false;
    }
    return false;
}

bool SignedLikeRunningProgram(SignatureVerifier& verifier, const std::wstring& runningPath,
                              const std::wstring& candidate) {
    const SignatureCheck running = verifier.Verify(runningPath);
    if (running.status == SignatureStatus::None) return true;
    return ReleaseSignatureAccepted(running, verifier.Verify(candidate));
}

}  // namespace mrvn
