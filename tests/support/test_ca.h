// A throwaway certificate authority and a server certificate for 127.0.0.1 and
// localhost, made with the openssl command for HTTPS tests.
#pragma once

#include <string>

struct TestCertificates {
    std::string directory;
    std::string ca_file;           // PEM certificate of the authority
    std::string server_cert_file;  // PEM certificate for 127.0.0.1 and localhost, signed by the CA
    std::string server_key_file;   // its private key (PEM)
    bool ok = false;
};

// Makes a new authority and server certificate in `directory` (which must exist).
TestCertificates create_test_certificates(const std::string& directory);

// One set per test process in a temporary directory, made on first use and removed at exit.
const TestCertificates& test_certificates();
