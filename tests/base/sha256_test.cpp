#include "base/sha256.h"

#include <gtest/gtest.h>

namespace phenostat {
namespace {

// FIPS 180-4's examples and the usual extra vectors, fed whole and in
// uneven pieces (so the buffer's every boundary is crossed).
TEST(Sha256, KnownVectors) {
    const struct {
        std::string message, digest;
    } CASES[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {std::string(64, 'x'), "7ce100971f64e7001e8fe5a51973ecdfe1ced42befe7ee8d5fd6219506b5393c"},
    };
    for (const auto& [message, digest] : CASES) {
        Sha256 whole;
        whole.add(message);
        EXPECT_EQ(whole.hex(), digest) << message.size() << " bytes";
        Sha256 pieces;
        for (std::size_t at = 0, step = 1; at < message.size(); at += step, step = step * 3 % 97 + 1)
            pieces.add(std::string_view(message).substr(at, step));
        EXPECT_EQ(pieces.hex(), digest) << message.size() << " bytes in pieces";
    }
}

}  // namespace
}  // namespace phenostat
