// The queries over https against the sample service: a certificate of an untrusted authority
// fails the request, a trusted one answers, and one for another host name is accepted.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include "service.h"
#include "service/queries.h"
#include "state/memory_state.h"
#include "support.h"

using namespace kestrion;

namespace {

// The test authority (tls\ca.pem beside the program, made anew at each start of the service by
// tools/service-ctl) among the trusted roots of this build's Wine prefix, for the life of the
// object.
class TrustedAuthority {
 public:
  TrustedAuthority() {
    const std::string pem = test::read_file(test::beside_this_program("tls\\ca.pem"));
    DWORD size = 0;
    CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                         nullptr);
    std::string der(size, '\0');
    CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER,
                         reinterpret_cast<BYTE*>(der.data()), &size, nullptr, nullptr);
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0,
                                     CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
    PCCERT_CONTEXT added = nullptr;
    if (store && !der.empty())
      CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING,
                                       reinterpret_cast<const BYTE*>(der.data()), size,
                                       CERT_STORE_ADD_REPLACE_EXISTING, &added);
    if (added) {
      BYTE hash[20];
      DWORD n = sizeof hash;
      if (CertGetCertificateContextProperty(added, CERT_SHA1_HASH_PROP_ID, hash, &n))
        for (DWORD i = 0; i < n; ++i) {
          static const char kHex[] = "0123456789ABCDEF";
          thumbprint_ += kHex[hash[i] >> 4];
          thumbprint_ += kHex[hash[i] & 15];
        }
      CertFreeCertificateContext(added);
    }
    if (store) CertCloseStore(store, 0);
  }
  // Wine keeps a root deleted through the store API in the registry: the key goes directly.
  ~TrustedAuthority() {
    if (thumbprint_.empty()) return;
    const std::string key = "Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\" +
                            thumbprint_;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
  }
  TrustedAuthority(const TrustedAuthority&) = delete;
  TrustedAuthority& operator=(const TrustedAuthority&) = delete;
  bool added() const { return !thumbprint_.empty(); }

 private:
  std::string thumbprint_;
};

// A process reads the trusted roots once, when it first checks a certificate; so each case runs
// in a new process of this program, started after the roots were set up. The child names the
// case it ran in a file: a filter that matched nothing would otherwise pass as an exit code 0.
constexpr const char* kChild = "KESTRION_HTTPS_CASE";

DWORD run_case(const std::string& name) {
  const std::string ran = test::beside_this_program("https-case.txt");
  DeleteFileA(ran.c_str());
  SetEnvironmentVariableA(kChild, ran.c_str());
  test::Process child("\"" + test::this_program() + "\" --gtest_filter=Https." + name);
  SetEnvironmentVariableA(kChild, nullptr);
  const DWORD code = child.wait(120000);
  EXPECT_TRUE(test::file_exists(ran) && test::read_file(ran) == name) << name << " did not run";
  return code;
}

// The trusted case first: under Wine a failed check of the same certificate, made before its
// authority was trusted, is remembered and would fail the trusted one too.
TEST(HttpsRoots, TrustedThenUntrustedAuthority) {
  {
    TrustedAuthority authority;
    ASSERT_TRUE(authority.added());
    EXPECT_EQ(run_case("TrustedCertificateAnswersAndAnotherHostNameIsAccepted"), 0u);
  }
  EXPECT_EQ(run_case("UntrustedAuthorityFailsTheRequest"), 0u);
}

class Https : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test::env(kChild).empty()) GTEST_SKIP() << "runs in a process of its own";
    test::write_file(test::env(kChild),
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    service.reset();
    ASSERT_NE(service.secure_base_url(), "");
    state.set_text(ctl::service_address, service.secure_base_url());
    state.set_text(ctl::status, "before");
  }
  std::string port() const {
    const std::string url = service.secure_base_url();
    return url.substr(url.rfind(':') + 1, url.size() - url.rfind(':') - 2);
  }

  test::Service service;
  MemoryRunState state;
};

TEST_F(Https, UntrustedAuthorityFailsTheRequest) {
  EXPECT_EQ(query_client_name(state), "");
  EXPECT_NE(state.text(ctl::status), "before");
  EXPECT_NE(state.text(ctl::status), "");
  EXPECT_EQ(state.enable_order,
            (std::vector<int>{ctl::run, ctl::browse, ctl::service_address, ctl::install_folder}));
  EXPECT_TRUE(service.requests().empty());
}

TEST_F(Https, TrustedCertificateAnswersAndAnotherHostNameIsAccepted) {
  for (const std::string& address :
       {service.secure_base_url(), "https://localhost:" + port() + "/"}) {
    SCOPED_TRACE(address);
    service.reset();
    state.set_text(ctl::service_address, address);
    EXPECT_EQ(query_client_name(state), "蓝雀收银台");
    EXPECT_EQ(query_package(state), "https://127.0.0.1:" + port() + "/files/TILLWRIGHT.zip");
    EXPECT_EQ(state.text(ctl::status), "before");
    const auto seen = service.requests();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].scheme + " " + seen[0].verb + " " + seen[0].path + " " + seen[0].version,
              "https POST /api/clientname/query HTTP/1.0");
    EXPECT_EQ(seen[1].scheme + " " + seen[1].verb, "https GET");
  }
}

}  // namespace
