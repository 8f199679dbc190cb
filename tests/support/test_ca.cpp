// A throwaway certificate authority made with the openssl command.
#include "test_ca.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

struct TemporaryCertificates {
    TestCertificates certificates;
    TemporaryCertificates() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "ddns-test-ca-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            certificates = create_test_certificates(pattern);
        }
    }
    ~TemporaryCertificates() {
        std::error_code ignored;
        if (!certificates.directory.empty()) {
            std::filesystem::remove_all(certificates.directory, ignored);
        }
    }
};

}  // namespace

TestCertificates create_test_certificates(const std::string& directory) {
    TestCertificates made;
    made.directory = directory;
    made.ca_file = directory + "/ca.pem";
    made.server_cert_file = directory + "/server.pem";
    made.server_key_file = directory + "/server.key";
    const std::string ca_key = directory + "/ca.key";
    const std::string request = directory + "/server.csr";
    const std::string extensions = directory + "/server.ext";
    std::ofstream(extensions) << "subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                              << "basicConstraints=CA:FALSE\n"
                              << "keyUsage=digitalSignature,keyEncipherment\n"
                              << "extendedKeyUsage=serverAuth\n";
    const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    made.ok = run("openssl req -x509" + ec + " -keyout '" + ca_key + "' -out '" + made.ca_file +
                  "' -days 2 -subj '/CN=DDNS Test CA'") &&
              run("openssl req" + ec + " -keyout '" + made.server_key_file + "' -out '" + request +
                  "' -subj '/CN=127.0.0.1'") &&
              run("openssl x509 -req -in '" + request + "' -CA '" + made.ca_file + "' -CAkey '" +
                  ca_key + "' -CAcreateserial -out '" + made.server_cert_file +
                  "' -days 2 -extfile '" + extensions + "'");
    return made;
}

const TestCertificates& test_certificates() {
    static TemporaryCertificates temporary;
    return temporary.certificates;
}
