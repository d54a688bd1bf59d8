#include "net/win/signature_check.h"

#include <windows.h>
#include <wincrypt.h>
#include <softpub.h>
#include <wintrust.h>

#include <vector>

#include "net/program_image.h"

namespace mrvn::net {

namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

std::string Bytes(const BYTE* data, DWORD size) {
    return data && size ? std::string(reinterpret_cast<const char*>(data), size) : std::string();
}

SignerIdentity IdentityOf(PCCERT_CONTEXT cert) {
    SignerIdentity id;
    if (!cert || !cert->pCertInfo) return id;
    const CERT_INFO& info = *cert->pCertInfo;
    const CERT_PUBLIC_KEY_INFO& key = info.SubjectPublicKeyInfo;
    id.subject = Bytes(info.Subject.pbData, info.Subject.cbData);
    // The algorithm and its parameters belong to the key: the same bits under another curve are another key.
    id.publicKey = std::string(key.Algorithm.pszObjId ? key.Algorithm.pszObjId : "") + '\0' +
                   Bytes(key.Algorithm.Parameters.pbData, key.Algorithm.Parameters.cbData) + '\0' +
                   Bytes(key.PublicKey.pbData, key.PublicKey.cbData);
    return id;
}

// The certificate of the first signer of the signature embedded in the file, whether or not it is
// trusted here: a signature that fails its chain still names who made it.
SignerIdentity EmbeddedSigner(const std::wstring& path) {
    SignerIdentity id;
    HCERTSTORE store = nullptr;
    HCRYPTMSG msg = nullptr;
    if (!CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                          CERT_QUERY_FORMAT_FLAG_BINARY, 0, nullptr, nullptr, nullptr, &store, &msg, nullptr)) {
        return id;
    }
    DWORD size = 0;
    if (CryptMsgGetParam(msg, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size) && size) {
        std::vector<BYTE> buffer(size);
        if (CryptMsgGetParam(msg, CMSG_SIGNER_INFO_PARAM, 0, buffer.data(), &size)) {
            const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.data());
            CERT_INFO wanted = {};
            wanted.Issuer = signer->Issuer;
            wanted.SerialNumber = signer->SerialNumber;
            if (PCCERT_CONTEXT cert =
                    CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr)) {
                id = IdentityOf(cert);
                CertFreeCertificateContext(cert);
            }
        }
    }
    CryptMsgClose(msg);
    CertCloseStore(store, 0);
    return id;
}

// Whether the file has a certificate table at all. This, not the verification's code, tells an
// unsigned program (a developer's build) from a signed one whose signature fails.
bool CarriesSignature(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;  // unreadable: never taken for unsigned
    std::vector<uint8_t> head(kProgramHeadBytes);
    DWORD got = 0;
    const BOOL read = ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &got, nullptr);
    CloseHandle(file);
    return !read || CertificateTableBytes(head.data(), got) != 0;
}

// Failures of the chain alone: the signature itself is intact and was made with the signer's key.
bool IsChainOnlyFailure(LONG result) {
    switch (static_cast<HRESULT>(result)) {
        case CERT_E_UNTRUSTEDROOT:
        case CERT_E_UNTRUSTEDTESTROOT:
        case CERT_E_CHAINING:
        case CERT_E_EXPIRED: return true;
        default: return false;
    }
}

}  // namespace

SignatureCheck VerifyFileSignature(const std::wstring& path) {
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    // Revocation would ask servers over the same network the release came over, from an elevated
    // program; a hostile one could only make it fail or hang. Distrusted certificates are still refused.
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);

    SignatureCheck out;
    out.error = static_cast<uint32_t>(result);
    if (result == ERROR_SUCCESS) {
        // The signer the policy accepted, from its own state.
        if (CRYPT_PROVIDER_DATA* prov = WTHelperProvDataFromStateData(data.hWVTStateData)) {
            if (CRYPT_PROVIDER_SGNR* signer = WTHelperGetProvSignerFromChain(prov, 0, FALSE, 0)) {
                if (signer->csCertChain && signer->pasCertChain) out.signer = IdentityOf(signer->pasCertChain[0].pCert);
            }
        }
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);

    if (out.signer.Empty()) out.signer = EmbeddedSigner(path);
    if (!CarriesSignature(path)) {
        out.status = SignatureStatus::None;
    } else if (result == ERROR_SUCCESS && !out.signer.Empty()) {
        out.status = SignatureStatus::Valid;
    } else if (!out.signer.Empty() && IsChainOnlyFailure(result)) {
        out.status = SignatureStatus::Untrusted;
    } else {
        out.status = SignatureStatus::Broken;
    }
    return out;
}

SignatureVerifier& PlatformSignatures() {
    static Win32SignatureVerifier verifier;
    return verifier;
}

}  // namespace mrvn::net
