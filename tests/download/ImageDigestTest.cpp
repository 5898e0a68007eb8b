#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <cstdint>
#include <string>

#include "download/ImageHasher.h"
#include "download/Sha256Stream.h"
#include "tests/support/FileBytes.h"

namespace {

namespace fs = boost::filesystem;

std::string Bytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 131 + i / 251);
    return bytes;
}

std::string HexOf(const std::string& bytes) {
    Sha256Stream stream;
    stream.Update(bytes.data(), bytes.size());
    return DigestHex(stream.Final());
}

TEST(Sha256Stream, KnownDigests) {
    EXPECT_EQ(HexOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(HexOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const auto parsed =
        ParseDigestHex("BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(DigestHex(*parsed), HexOf("abc"));
    for (const char* bad :
         {"", "ba78", "zz7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
          "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad00",
          " a7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"}) {
        EXPECT_FALSE(ParseDigestHex(bad)) << bad;
    }
}

// A state saved anywhere, also mid-block and on a block's edge, goes on to the same digest as
// one pass over all bytes.
TEST(Sha256Stream, ASavedStateGoesOnToTheSameDigest) {
    const std::string bytes = Bytes(1000);
    for (std::size_t cut : {0, 1, 55, 63, 64, 65, 128, 999, 1000}) {
        Sha256Stream head;
        head.Update(bytes.data(), cut);
        const auto restored = Sha256Stream::Restore(head.Save());
        ASSERT_TRUE(restored) << cut << ": " << head.Save();
        Sha256Stream tail = *restored;
        EXPECT_EQ(tail.Length(), cut);
        tail.Update(bytes.data() + cut, bytes.size() - cut);
        EXPECT_EQ(DigestHex(tail.Final()), HexOf(bytes)) << cut;
    }
}

TEST(Sha256Stream, TextThatIsNoStateIsRefused) {
    Sha256Stream stream;
    stream.Update("abcdefghij", 10);
    const std::string good = stream.Save();
    ASSERT_TRUE(Sha256Stream::Restore(good));
    const std::string words = good.substr(0, good.rfind(' '));
    const std::string tail = good.substr(good.rfind(' ') + 1, 20);
    const std::string cases[] = {
        "",
        "sha256-state-2" + good.substr(good.find(' ')),
        "sha256-state-1 11" + good.substr(good.find(' ', 15)),  // the tail is one byte short
        words,                                                  // no tail
        words + " " + tail.substr(0, 19),                       // odd digits
        words + " " + std::string(20, 'g'),                     // not hex
        good + " more",
        "sha256-state-1 -10" + good.substr(good.find(' ', 15)),
        "sha256-state-1 99999999999999999999" + good.substr(good.find(' ', 15)),
    };
    for (const std::string& text : cases)
        EXPECT_FALSE(Sha256Stream::Restore(text)) << text;
}

class ImageHasherTest : public ::testing::Test {
protected:
    void SetUp() override {
        // One folder per test, emptied first: no random name, which would need the system's
        // random source only for this.
        dir = fs::temp_directory_path() /
              ("quorrin-hasher-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        image = dir / "image.qrn";
        state = dir / "image.qrn.sha256";
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Digest(ImageHasher& hasher, std::uint64_t expectedLength) {
        std::uint64_t length = 0;
        const std::string hex = DigestHex(hasher.Finish(length));
        EXPECT_EQ(length, expectedLength);
        return hex;
    }

    fs::path dir, image, state;
    const std::string bytes = Bytes(3 * 1024 * 1024 + 17);
};

// Bytes fed in uneven pieces, across blocks, with a checkpoint: the saved state is what a later
// run takes up, and it then reads only the image's bytes after it.
TEST_F(ImageHasherTest, ALaterRunTakesUpTheSavedStateAndReadsOnlyTheRest) {
    const std::size_t saved = 2 * 1024 * 1024 + 5;
    {
        ImageHasher hasher(state);
        for (std::size_t at = 0; at < saved;) {
            const std::size_t piece = std::min<std::size_t>(saved - at, 1 + at % 70000);
            hasher.Feed(bytes.data() + at, piece);
            at += piece;
        }
        hasher.Checkpoint();
        EXPECT_EQ(Digest(hasher, saved), HexOf(bytes.substr(0, saved)));
    }
    ASSERT_TRUE(fs::exists(state));
    // The head of the image on disk differs from what was hashed: a run that read it again
    // would get another digest.
    std::string onDisk = bytes;
    onDisk[0] = static_cast<char>(~onDisk[0]);
    WriteBytes(image, onDisk);
    ImageHasher later(state);
    ASSERT_TRUE(
        later.CatchUp(image, static_cast<std::int64_t>(bytes.size()), [] { return false; }));
    EXPECT_EQ(Digest(later, bytes.size()), HexOf(bytes));
}

// More than the queue holds, fed faster than it is hashed, with checkpoints that queue part
// blocks: every block's memory is used again, and none of its earlier bytes may leak into the
// hash.
TEST_F(ImageHasherTest, BlocksThroughAFullQueueAreHashedInOrderOnce) {
    std::string many;
    for (int i = 0; i < 7; ++i)
        many += bytes;
    ImageHasher hasher(state);
    for (std::size_t at = 0; at < many.size();) {
        const std::size_t piece = std::min<std::size_t>(many.size() - at, 16384 + at % 977);
        hasher.Feed(many.data() + at, piece);
        at += piece;
        if (at % 5 == 0)
            hasher.Checkpoint();
    }
    EXPECT_EQ(Digest(hasher, many.size()), HexOf(many));
}

// A state of more bytes than the image holds (its last writes never reached the disk), a state
// that cannot be read and no state at all: the image is read from the start.
TEST_F(ImageHasherTest, AStateBeyondTheImageOrUnreadableMeansReadingItAll) {
    WriteBytes(image, bytes);
    const std::string longer = bytes + "tail";
    Sha256Stream beyond;
    beyond.Update(longer.data(), longer.size());
    for (const std::string& saved :
         {beyond.Save(), std::string("sha256-state-1 3"), std::string()}) {
        WriteBytes(state, saved);
        ImageHasher hasher(state);
        ASSERT_TRUE(
            hasher.CatchUp(image, static_cast<std::int64_t>(bytes.size()), [] { return false; }));
        EXPECT_EQ(Digest(hasher, bytes.size()), HexOf(bytes)) << saved;
    }
}

TEST_F(ImageHasherTest, RestartForgetsTheBytesAndTheSavedState) {
    ImageHasher hasher(state);
    hasher.Feed(bytes.data(), 1000);
    hasher.Checkpoint();
    std::uint64_t length = 0;
    hasher.Finish(length);
    ASSERT_TRUE(fs::exists(state));
    hasher.Restart();
    EXPECT_FALSE(fs::exists(state));
    hasher.Feed("abc", 3);
    EXPECT_EQ(Digest(hasher, 3), HexOf("abc"));
}

TEST_F(ImageHasherTest, CatchingUpEndsOnAStopOrAShortImage) {
    WriteBytes(image, bytes);
    ImageHasher stopped(state);
    EXPECT_FALSE(
        stopped.CatchUp(image, static_cast<std::int64_t>(bytes.size()), [] { return true; }));
    ImageHasher shortImage(state);
    EXPECT_FALSE(shortImage.CatchUp(image, static_cast<std::int64_t>(bytes.size()) + 1,
                                    [] { return false; }));
}

}  // namespace
