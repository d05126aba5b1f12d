#include "sys/sha256.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_folder.h"

namespace updater {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string DigestOf(const std::string& text) {
  Sha256 digest;
  digest.Update(Bytes(text));
  return digest.HexDigest();
}

// Published test vectors: the padding lands in the same block, in a block of its own, and
// at every offset of the length field.
TEST(Sha256Test, KnownDigests) {
  EXPECT_EQ(DigestOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(DigestOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(DigestOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(DigestOf("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno"
                     "ijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu"),
            "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
}

// A million "a" fed in pieces that straddle the 64-byte blocks gives the published digest.
TEST(Sha256Test, PiecesOfAnySizeGiveTheSameDigest) {
  const std::string million(1000000, 'a');
  Sha256 digest;
  std::size_t at = 0;
  for (std::size_t piece = 1; at < million.size(); piece = piece % 97 + 1) {
    const std::size_t take = std::min(piece, million.size() - at);
    digest.Update(Bytes(million.substr(at, take)));
    at += take;
  }
  EXPECT_EQ(digest.HexDigest(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256Test, FilesAreReadWholeAndMissingOnesGiveNothing) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "abc", "abc");
  EXPECT_EQ(Sha256OfFile(folder / "abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_FALSE(Sha256OfFile(folder / "missing").has_value());
}

}  // namespace
}  // namespace updater
