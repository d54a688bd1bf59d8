#include <gtest/gtest.h>

#include <map>

#include "fakes/fake_net.h"
#include "fakes/fake_platform.h"
#include "net/signature_rules.h"

namespace mrvn {
namespace {

const SignerIdentity kPublisher{"CN=Quarn", "rsa|key-1"};
const SignerIdentity kRenewedElsewhere{"CN=Quarn", "rsa|key-1"};  // a new certificate for the same key
const SignerIdentity kSameNameOtherKey{"CN=Quarn", "rsa|key-2"};
const SignerIdentity kOther{"CN=Other", "rsa|key-3"};
constexpr uint32_t kUntrustedRoot = 0x800B0109;
constexpr uint32_t kExpired = 0x800B0101;
constexpr uint32_t kBadDigest = 0x80096010;

SignatureCheck Check(SignatureStatus status, SignerIdentity signer = {}, uint32_t error = 0) {
    return SignatureCheck{status, error, std::move(signer)};
}

TEST(ReleaseSignatureAccepted, DecisionTable) {
    using S = SignatureStatus;
    const struct {
        const char* name;
        SignatureCheck running, release;
        bool accepted;
    } rows[] = {
        {"unsigned launcher, unsigned release", Check(S::None), Check(S::None), true},
        {"unsigned launcher, any signed release", Check(S::None), Check(S::Broken, kOther, kBadDigest), true},
        {"same publisher", Check(S::Valid, kPublisher), Check(S::Valid, kPublisher), true},
        {"renewed certificate, same key", Check(S::Valid, kPublisher), Check(S::Valid, kRenewedElsewhere), true},
        {"same name, another key", Check(S::Valid, kPublisher), Check(S::Valid, kSameNameOtherKey), false},
        {"another publisher", Check(S::Valid, kPublisher), Check(S::Valid, kOther), false},
        {"unsigned release", Check(S::Valid, kPublisher), Check(S::None), false},
        {"altered after signing", Check(S::Valid, kPublisher), Check(S::Broken, kPublisher, kBadDigest), false},
        {"publisher's key under a root not trusted here", Check(S::Valid, kPublisher),
         Check(S::Untrusted, kPublisher, kUntrustedRoot), false},
        // A launcher whose own chain fails here stays with its publisher, at the same trust.
        {"both under the same unknown root", Check(S::Untrusted, kPublisher, kUntrustedRoot),
         Check(S::Untrusted, kPublisher, kUntrustedRoot), true},
        {"launcher's certificate expired, release renewed", Check(S::Untrusted, kPublisher, kExpired),
         Check(S::Valid, kPublisher), true},
        {"launcher expired, release untrusted otherwise", Check(S::Untrusted, kPublisher, kExpired),
         Check(S::Untrusted, kPublisher, kUntrustedRoot), false},
        {"launcher untrusted, release unsigned", Check(S::Untrusted, kPublisher, kUntrustedRoot), Check(S::None),
         false},
        {"launcher altered, release by its publisher", Check(S::Broken, kPublisher, kBadDigest),
         Check(S::Valid, kPublisher), true},
        {"launcher's signature unreadable", Check(S::Broken, {}, kBadDigest), Check(S::Valid, kPublisher), false},
        {"release without a readable signer", Check(S::Valid, kPublisher), Check(S::Valid), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ReleaseSignatureAccepted(row.running, row.release), row.accepted);
    }
}

TEST(SameSigner, SubjectAndKeyBothCount) {
    EXPECT_TRUE(SameSigner(kPublisher, kRenewedElsewhere));
    EXPECT_FALSE(SameSigner(kPublisher, kSameNameOtherKey));
    EXPECT_FALSE(SameSigner(kPublisher, SignerIdentity{"CN=Other", "rsa|key-1"}));
    EXPECT_FALSE(SameSigner(SignerIdentity{}, SignerIdentity{}));  // nobody is no publisher
}

class FakeVerifier final : public SignatureVerifier {
public:
    std::map<std::wstring, SignatureCheck> checks;
    std::vector<std::wstring> asked;
    SignatureCheck Verify(const std::wstring& path) override {
        asked.push_back(path);
        const auto it = checks.find(path);
        return it == checks.end() ? SignatureCheck{} : it->second;
    }
};

TEST(SignedLikeRunningProgram, AnUnsignedLauncherDoesNotLookAtTheCandidate) {
    FakeVerifier verifier;
    EXPECT_TRUE(SignedLikeRunningProgram(verifier, L"C:\\Mrvn.exe", L"C:\\NewMrvn.exe"));
    EXPECT_EQ(verifier.asked, (std::vector<std::wstring>{L"C:\\Mrvn.exe"}));

    verifier.asked.clear();
    verifier.checks[L"C:\\Mrvn.exe"] = Check(SignatureStatus::Valid, kPublisher);
    EXPECT_FALSE(SignedLikeRunningProgram(verifier, L"C:\\Mrvn.exe", L"C:\\NewMrvn.exe"));
    EXPECT_EQ(verifier.asked, (std::vector<std::wstring>{L"C:\\Mrvn.exe", L"C:\\NewMrvn.exe"}));
    verifier.checks[L"C:\\NewMrvn.exe"] = Check(SignatureStatus::Valid, kRenewedElsewhere);
    EXPECT_TRUE(SignedLikeRunningProgram(verifier, L"C:\\Mrvn.exe", L"C:\\NewMrvn.exe"));
}

}  // namespace
}  // namespace mrvn
