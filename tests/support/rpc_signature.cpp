// The RPC string to sign and its HMAC-SHA1 signature, computed with OpenSSL.
#include "support/rpc_signature.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <algorithm>

std::string rpc_string_to_sign(std::string_view method, const FormParams& params) {
    FormParams encoded;
    for (const auto& [name, value] : params) {
        if (name != "Signature") {
            encoded.emplace_back(rfc3986_encode(name), rfc3986_encode(value));
        }
    }
    // Byte order; a repeated name keeps a stable order through its value.
    std::sort(encoded.begin(), encoded.end());
    std::string joined;
    for (const auto& [name, value] : encoded) {
        if (!joined.empty()) {
            joined += '&';
        }
        joined += name + '=' + value;
    }
    return std::string(method) + "&%2F&" + rfc3986_encode(joined);
}

std::string rpc_signature(std::string_view string_to_sign, std::string_view access_secret) {
    std::string key = std::string(access_secret) + '&';
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digest_length = 0;
    HMAC(EVP_sha1(), key.data(), static_cast<int>(key.size()),
         reinterpret_cast<const unsigned char*>(string_to_sign.data()), string_to_sign.size(),
         digest, &digest_length);
    unsigned char base64[4 * ((EVP_MAX_MD_SIZE + 2) / 3) + 1];
    int length = EVP_EncodeBlock(base64, digest, static_cast<int>(digest_length));
    return std::string(reinterpret_cast<const char*>(base64), static_cast<size_t>(length));
}
