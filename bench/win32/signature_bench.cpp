// Times the release gate of an update on the real program, side by side, taking turns: the checks of
// today (a whole program, its MD5 against the key) alone, then with the publisher's signature
// verified as well, for a signed launcher and for an unsigned one. Prints medians and ratios.
//   signature_bench ROOT.DER SIGNED_RUNNING SIGNED_RELEASE UNSIGNED_RUNNING UNSIGNED_RELEASE [RUNS]
// The root is trusted by the machine's store while the benchmark runs.
#include <windows.h>
#include <shellapi.h>
#include <wincrypt.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "net/program_image.h"
#include "net/signature_rules.h"
#include "net/win/signature_check.h"
#include "platform/win32/win32_file_io.h"

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string ReadAll(const wchar_t* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Trusts (or stops trusting) the root for the machine.
bool TrustRoot(const std::string& der, bool trusted) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!store) return false;
    bool ok = false;
    const auto* bytes = reinterpret_cast<const BYTE*>(der.data());
    if (trusted) {
        ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, bytes, static_cast<DWORD>(der.size()),
                                              CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    } else if (PCCERT_CONTEXT wanted =
                   CertCreateCertificateContext(X509_ASN_ENCODING, bytes, static_cast<DWORD>(der.size()))) {
        if (PCCERT_CONTEXT found =
                CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr)) {
            ok = CertDeleteCertificateFromStore(found);
        }
        CertFreeCertificateContext(wanted);
    }
    CertCloseStore(store, 0);
    return ok;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 6) {
        std::fprintf(stderr,
                     "usage: signature_bench ROOT.DER SIGNED_RUNNING SIGNED_RELEASE UNSIGNED_RUNNING "
                     "UNSIGNED_RELEASE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 6 ? std::max(1, _wtoi(argv[6])) : 5;
    const std::string root = ReadAll(argv[1]);
    if (root.empty() || !TrustRoot(root, true)) {
        std::fprintf(stderr, "signature_bench: cannot trust the root\n");
        return 1;
    }
    mrvn::win::Win32FileSource source;
    mrvn::SignatureVerifier& verifier = mrvn::net::PlatformSignatures();
    const std::wstring signedRunning = argv[2], signedRelease = argv[3];
    const std::wstring plainRunning = argv[4], plainRelease = argv[5];

    // The gate as it was: one read of the file for both facts, then the key.
    const auto md5Gate = [&](const std::wstring& release) {
        mrvn::ProgramFileFacts facts;
        if (!mrvn::InspectProgramFile(source, release, facts) || !facts.complete) return false;
        return mrvn::ReleaseMatchesKey(facts.md5Hex, facts.md5Hex.substr(0, 28) + L"3002", 4);
    };
    const auto timed = [](auto&& work, bool& ok) {
        const auto t0 = std::chrono::steady_clock::now();
        ok = work() && ok;
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    };
    std::vector<double> md5Only, withSigned, withUnsigned;
    bool ok = true;
    for (int i = 0; i < runs; ++i) {
        md5Only.push_back(timed([&] { return md5Gate(signedRelease); }, ok));
        withSigned.push_back(timed(
            [&] {
                return md5Gate(signedRelease) &&
                       mrvn::SignedLikeRunningProgram(verifier, signedRunning, signedRelease);
            },
            ok));
        withUnsigned.push_back(timed(
            [&] {
                return md5Gate(plainRelease) && mrvn::SignedLikeRunningProgram(verifier, plainRunning, plainRelease);
            },
            ok));
    }
    TrustRoot(root, false);
    const double a = Median(md5Only), b = Median(withSigned), c = Median(withUnsigned);
    std::printf("release %ld bytes, median of %d runs each, taken in turn\n",
                static_cast<long>(ReadAll(signedRelease.c_str()).size()), runs);
    std::printf("MD5 gate alone:                          %8.2f ms\n", a);
    std::printf("MD5 gate + signatures, signed launcher:  %8.2f ms (signature check adds %.2f ms)\n", b, b - a);
    std::printf("MD5 gate + signatures, unsigned launcher: %7.2f ms (adds %.2f ms)\n", c, c - a);
    std::printf("ratio with signatures / MD5 alone, signed launcher: %.2f\n", b / a);
    std::printf("ratio with signatures / MD5 alone, unsigned launcher: %.2f\n", c / a);
    if (!ok) std::printf("a check FAILED: the figures above do not describe a passing update\n");
    LocalFree(argv);
    return ok ? 0 : 1;
}
