// Real Authenticode signatures: what the platform's verification says about signed, re-signed,
// foreign and altered programs, and a self-update that keeps a signed launcher with its publisher.
// The certificates are made for each run (tests/harness/test-certs); the test root goes into the
// machine's root store, as an administrator or Windows itself would put a root there.
#include <gtest/gtest.h>

#include "wine/wine_util.h"

#include <wincrypt.h>
#include <wintrust.h>

#include <cstdio>
#include <cstdlib>

#include "net/signature_rules.h"
#include "net/win/signature_check.h"
#include "util/http_probe.h"

namespace mrvn::wt {
namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// The files every case signs, made once for the suite.
struct SignedFiles {
    std::string work;  // Unix folder of the certificates and the signed files
    std::string running;  // the launcher as built, unsigned
    std::string release;  // the launcher with a tail: another release, unsigned
    std::string rootDer;
    bool ready = false;

    std::string Path(const std::string& name) const { return work + "/" + name; }
    std::wstring Win(const std::string& name) const { return WinPathOfUnix(Path(name)); }
    bool Read(const std::string& name, std::string& out) const { return ReadFileBytes(Win(name), out); }
};
SignedFiles g_files;

bool Sign(const std::string& cert, const std::string& in, const std::string& out) {
    const std::string certs = g_files.Path("certs/");
    return RunUnixScript("osslsigncode sign -certs '" + certs + cert + ".pem' -key '" + certs +
                             (cert == "a2" ? "a" : cert) + ".key' -h sha256 -n Morvane -in '" + g_files.Path(in) +
                             "' -out '" + g_files.Path(out) + "'",
                         g_files.work, g_files.Path("unix.log"));
}

bool SetTestRootTrusted(bool trusted) {
    std::string der;
    if (!ReadFileBytes(WinPathOfUnix(g_files.rootDer), der)) return false;
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!store) return false;
    bool ok = false;
    if (trusted) {
        ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                              static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                              nullptr);
    } else if (PCCERT_CONTEXT wanted = CertCreateCertificateContext(
                   X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size()))) {
        if (PCCERT_CONTEXT found =
                CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr)) {
            ok = CertDeleteCertificateFromStore(found);  // frees `found`
        }
        CertFreeCertificateContext(wanted);
    }
    CertCloseStore(store, 0);
    return ok;
}

// A byte of the release's own tail, changed after signing: still a whole program, with its own MD5.
bool WriteAlteredCopy(const std::string& from, const std::string& to) {
    std::string bytes;
    if (!g_files.Read(from, bytes)) return false;
    const size_t at = bytes.find("release 3.0.0.2 tail");
    if (at == std::string::npos) return false;
    bytes[at] ^= 0x20;
    return WriteFileBytes(g_files.Win(to), bytes);
}

// A byte of the signature value itself (the RSA signature ends the signature, before its padding to
// eight bytes): the file and the digest it signs are untouched, only the proof that the key made it is not.
bool WriteForgedCopy(const std::string& from, const std::string& to) {
    std::string bytes;
    if (!g_files.Read(from, bytes) || bytes.size() < 4096) return false;
    bytes[bytes.size() - 64] ^= 0x01;
    return WriteFileBytes(g_files.Win(to), bytes);
}

class SignatureSuite : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (g_files.ready) return;
        const std::string state = Env("MRVN_HARNESS_STATE");
        const std::string exe = Env("MRVN_EXE");
        const std::string script = Env("MRVN_TEST_CERTS");
        if (state.empty() || exe.empty() || script.empty()) return;
        g_files.work = state + "/signing";
        g_files.rootDer = g_files.work + "/certs/root.der";
        RemoveTree(WinPathOfUnix(g_files.work));
        if (!MakeFolders(WinPathOfUnix(g_files.work))) return;
        if (!RunUnixScript("bash '" + script + "' '" + g_files.work + "/certs'", g_files.work,
                           g_files.Path("unix.log"))) {
            return;
        }
        std::string program;
        if (!ReadFileBytes(WinPathOfUnix(exe), program)) return;
        if (!WriteFileBytes(g_files.Win("running.exe"), program)) return;
        if (!WriteFileBytes(g_files.Win("release.exe"), program + std::string("release 3.0.0.2 tail", 20))) return;
        for (const char* cert : {"a", "a2", "b", "c", "d"}) {
            if (!Sign(cert, "release.exe", std::string("release-") + cert + ".exe")) return;
        }
        if (!Sign("a", "running.exe", "running-a.exe")) return;
        if (!WriteAlteredCopy("release-a.exe", "release-a-altered.exe")) return;
        if (!WriteForgedCopy("release-a.exe", "release-a-forged.exe")) return;
        if (!SetTestRootTrusted(true)) return;
        g_files.ready = true;
    }
    static void TearDownTestSuite() {
        if (g_files.ready) SetTestRootTrusted(false);
        g_files.ready = false;
    }
    void SetUp() override { ASSERT_TRUE(g_files.ready) << "signing set-up failed; see " << g_files.Path("unix.log"); }
};

class SignatureCheckTest : public SignatureSuite {};

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Wine 8 checks the file's hash against its signature, but not the chain: an unknown root, a root
// taken out of the store and a certificate not made for code all verify there. Windows refuses them,
// and so the rows say both; the key pinning of the update rule does not depend on the difference.
TEST_F(SignatureCheckTest, WhatThePlatformsVerificationSees) {
    const SignatureCheck publisher = net::VerifyFileSignature(g_files.Win("running-a.exe"));
    ASSERT_EQ(publisher.status, SignatureStatus::Valid) << std::hex << publisher.error;
    const bool wine = UnderWine();
    using S = SignatureStatus;
    const struct {
        const char* file;
        SignatureStatus windows, wine;
        bool samePublisher;
    } rows[] = {
        {"running.exe", S::None, S::None, false},
        {"release-a.exe", S::Valid, S::Valid, true},
        {"release-a2.exe", S::Valid, S::Valid, true},             // renewed: same subject, same key
        {"release-b.exe", S::Valid, S::Valid, false},             // another publisher under the same root
        {"release-c.exe", S::Untrusted, S::Valid, false},         // the publisher's name under an unknown root
        {"release-d.exe", S::Broken, S::Valid, false},            // a server certificate, not for code
        {"release-a-altered.exe", S::Broken, S::Broken, true},    // one byte changed after signing
        {"release-a-forged.exe", S::Broken, S::Broken, true},     // the signature value changed
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const SignatureCheck got = net::VerifyFileSignature(g_files.Win(row.file));
        char code[16];
        snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(got.error));
        RecordProperty(row.file, code);
        printf("  %-24s WinVerifyTrust %s\n", row.file, code);
        EXPECT_EQ(got.status, wine ? row.wine : row.windows) << code;
        EXPECT_EQ(SameSigner(publisher.signer, got.signer), row.samePublisher);
    }
    // Without the test root in the machine's store, the publisher's chain ends nowhere trusted.
    ASSERT_TRUE(SetTestRootTrusted(false));
    const SignatureCheck untrusted = net::VerifyFileSignature(g_files.Win("running-a.exe"));
    ASSERT_TRUE(SetTestRootTrusted(true));
    printf("  %-24s WinVerifyTrust 0x%08lx without the test root\n", "running-a.exe",
           static_cast<unsigned long>(untrusted.error));
    EXPECT_EQ(untrusted.status, wine ? S::Valid : S::Untrusted) << std::hex << untrusted.error;
    EXPECT_TRUE(SameSigner(publisher.signer, untrusted.signer));
}

class SignedUpdateTest : public SignatureSuite {
protected:
    void SetUp() override {
        SignatureSuite::SetUp();
        if (HasFatalFailure()) return;
        port = TestServerPort();
        ASSERT_NE(port, 0);
        ASSERT_TRUE(ResetLauncherState(port));
        ClearPendingRenames();
        SetLauncherString(L"WebHost", L"127.0.0.1:" + std::to_wstring(port));
        SetLauncherString(L"PlatformDomains", L"127.0.0.1");
        ASSERT_TRUE(MakeFolders(InstallFolder()));
    }
    void TearDown() override {
        WaitForNoProcess(L"Mrvn.exe", 30000);
        ClearPendingRenames();
    }
    // The installed launcher is `running`; the server names `release` with its own key.
    void Publish(const std::string& running, const std::string& release) {
        ASSERT_TRUE(g_files.Read(running, runningBytes));
        ASSERT_TRUE(g_files.Read(release, releaseBytes));
        DeleteFileW((InstallFolder() + L"\\OldMrvn.exe").c_str());
        ASSERT_TRUE(WriteFileBytes(program, runningBytes));
        DeleteLauncherValue(L"UpdTime");
        ClearPendingRenames();
        ASSERT_TRUE(test::ResetServer(port));
        ASSERT_TRUE(test::SetServerRoute(port, "/files/NewMrvn.bin", "ok", releaseBytes));
        PublishConfig(Md5HexOf(releaseBytes).substr(0, 28) + "3002",
                      "http://127.0.0.1:" + std::to_string(port) + "/files/NewMrvn.bin");
    }
    void PublishConfig(const std::string& key, const std::string& addr) {
        ASSERT_TRUE(test::SetServerRoute(port, "/update/ConfigMrvn.htm", "ok",
                                         "[VerKey]\r\nMrvn=" + key + "\r\nUpdAddr=" + addr + "\r\n"));
    }
    static void DeleteLauncherValue(const wchar_t* name) {
        HKEY key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Quarn\\GameLogin\\Mrvn", 0, KEY_WRITE, &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueW(key, name);
            RegCloseKey(key);
        }
    }
    // A refused release fails as a failed MD5 test does: no swap, no "UpdTime", no NewMrvn.exe.
    void ExpectRefused() {
        std::string now;
        ASSERT_TRUE(ReadFileBytes(program, now));
        EXPECT_TRUE(now == runningBytes) << "the program file changed";
        std::vector<uint8_t> data;
        DWORD type = 0;
        EXPECT_FALSE(ReadLauncherValue(L"UpdTime", data, type)) << "a refused update wrote UpdTime";
        EXPECT_FALSE(FileExists(InstallFolder() + L"\\NewMrvn.exe"));
        EXPECT_EQ(PendingRenames().find(L"NewMrvn.exe"), std::wstring::npos) << "deleted only at restart";
    }
    void ExpectSwapped() {
        std::string now, old;
        ASSERT_TRUE(ReadFileBytes(program, now));
        EXPECT_TRUE(now == releaseBytes) << "the program file is not the release";
        ASSERT_TRUE(ReadFileBytes(InstallFolder() + L"\\OldMrvn.exe", old));
        EXPECT_TRUE(old == runningBytes);
        std::vector<uint8_t> data;
        DWORD type = 0;
        EXPECT_TRUE(ReadLauncherValue(L"UpdTime", data, type));
    }

    uint16_t port = 0;
    std::wstring program = InstallFolder() + L"\\Mrvn.exe";
    std::string runningBytes, releaseBytes;
};

TEST_F(SignedUpdateTest, ASignedLauncherTakesOnlyItsPublishersRelease) {
    const struct {
        const char* name;
        const char* running;
        const char* release;
        bool swapped;
    } rows[] = {
        {"signed by the same certificate", "running-a.exe", "release-a.exe", true},
        {"signed by the publisher's renewed certificate", "running-a.exe", "release-a2.exe", true},
        {"signed by another publisher", "running-a.exe", "release-b.exe", false},
        {"the publisher's name under an unknown root", "running-a.exe", "release-c.exe", false},
        {"unsigned", "running-a.exe", "release.exe", false},
        {"one byte changed after signing", "running-a.exe", "release-a-altered.exe", false},
        {"the signature value changed", "running-a.exe", "release-a-forged.exe", false},
        {"unsigned launcher, unsigned release", "running.exe", "release.exe", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Publish(row.running, row.release);
        EXPECT_TRUE(RunLauncher(program, L"/update", 120000));
        EXPECT_TRUE(test::ServerLog(port).find("GET /files/NewMrvn.bin HTTP/1.1") != std::string::npos);
        if (row.swapped) {
            ExpectSwapped();
        } else {
            ExpectRefused();
        }
    }
}

TEST_F(SignedUpdateTest, ForeignProgramThatPassesTheAllowListIsRefused) {
    // A redirect whose target carries the platform's domain passes the allow-list, which stays a
    // substring test; the signature is what keeps the foreign program out.
    Publish("running-a.exe", "release.exe");
    const std::string foreignHost = "http://127.0.0.2:" + std::to_string(port);
    ASSERT_TRUE(test::SetServerRoute(port, "/files/x.exe", "ok", releaseBytes));
    ASSERT_TRUE(test::SetServerRoute(port, "/update/Foreign.htm", "ok",
                                     "[VerKey]\r\nMrvn=" + Md5HexOf(releaseBytes).substr(0, 28) +
                                         "3002\r\nUpdAddr=" + foreignHost + "/files/x.exe?127.0.0.1\r\n"));
    ASSERT_TRUE(test::SetServerRoute(port, "/update/ConfigMrvn.htm", "redirect",
                                     foreignHost + "/update/Foreign.htm?127.0.0.1"));
    EXPECT_TRUE(RunLauncher(program, L"/update", 120000));
    EXPECT_TRUE(test::ServerLog(port).find("GET /files/x.exe?127.0.0.1 HTTP/1.1") != std::string::npos);
    ExpectRefused();
}

}  // namespace
}  // namespace mrvn::wt
