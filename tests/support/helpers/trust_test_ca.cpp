// Trusts a test CA (PEM file given as the only argument) in the local
// machine's Root store. Run only inside the throwaway Wine prefix of a test
// run, never against a real system's trust store.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: trust_test_ca CA.pem\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::string pem((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  DWORD size = 0;
  if (pem.empty() || !CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()),
                                           CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                                           nullptr)) {
    std::fprintf(stderr, "trust_test_ca: cannot read the certificate\n");
    return 1;
  }
  std::vector<BYTE> der(size);
  CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                       der.data(), &size, nullptr, nullptr);
  const CERT_CONTEXT* certificate =
      CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), size);
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                   CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  const bool added = certificate != nullptr && store != nullptr &&
                     CertAddCertificateContextToStore(store, certificate,
                                                      CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  if (certificate != nullptr) CertFreeCertificateContext(certificate);
  if (store != nullptr) CertCloseStore(store, 0);
  if (!added) {
    std::fprintf(stderr, "trust_test_ca: cannot add the certificate (%lu)\n", GetLastError());
    return 1;
  }
  return 0;
}
