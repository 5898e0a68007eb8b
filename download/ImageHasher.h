// The image's SHA-256, computed on a thread of its own while the engine writes the image, with
// the running state kept in a file beside it so that a resumed download hashes only what it adds.
#pragma once

#include <boost/filesystem/path.hpp>
#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "download/Sha256Stream.h"

class ImageHasher {
public:
    // `stateFile` holds the state between runs. Starts the hashing thread; throws when it cannot.
    explicit ImageHasher(boost::filesystem::path stateFile);
    ~ImageHasher();
    ImageHasher(const ImageHasher&) = delete;
    ImageHasher& operator=(const ImageHasher&) = delete;

    // Brings the hash up to the first `stored` bytes of `image`, reading only what neither the
    // bytes fed so far nor the saved state cover; from the start when both hold more than the
    // image does. False when `stopped` answered true between two reads or the image could not be
    // read; the hash is then of fewer bytes than stored.
    bool CatchUp(const boost::filesystem::path& image, std::int64_t stored,
                 const std::function<bool()>& stopped);
    // Brings the hash up to the first `stored` bytes of `image` on the hashing thread, as CatchUp
    // does, and saves the state there; returns at once. For an image written out of order: the
    // caller names only bytes that are written and recorded.
    void Follow(const boost::filesystem::path& image, std::int64_t stored);
    // Forgets every byte hashed and the saved state: called before the image is emptied, so that
    // no state ever vouches for bytes that are gone.
    void Restart();
    // Hashes a copy of the bytes the image holds next; waits while too much is queued.
    void Feed(const char* data, std::size_t size);
    // Feed for bytes that belong at `offset` of an image written out of order: hashed when the
    // hash has reached `offset` by then, dropped otherwise (Follow reads them later).
    void FeedAt(std::int64_t offset, const char* data, std::size_t size);
    // Saves the state once everything fed so far is hashed. The caller has flushed those bytes to
    // the image first: a saved state never covers bytes the disk may not hold.
    void Checkpoint();
    // Waits until everything fed so far is hashed; then the digest and the number of bytes.
    Sha256Stream::Digest Finish(std::uint64_t& length);
    // Removes the saved state (the image it belonged to is gone).
    void Discard();

private:
    struct Block {
        std::vector<char> bytes;
        bool checkpoint = false;
        // For FeedAt: where the bytes belong; -1 for Feed.
        std::int64_t offset = -1;
        // For Follow: the bytes are read from here instead.
        boost::filesystem::path image;
        std::int64_t stored = 0;
    };

    void Queue(bool checkpoint);
    // CatchUp's reading, on whichever thread owns the stream at the time.
    bool HashImage(const boost::filesystem::path& image, std::int64_t stored,
                   const std::function<bool()>& stopped);
    void Drain();
    void Run();
    void SaveState(const Sha256Stream& snapshot);

    boost::filesystem::path state_file;
    Sha256Stream stream;
    // Filled by Feed and queued whole, so that the lock is taken once per block, not per chunk.
    std::vector<char> filling;
    std::int64_t filling_offset = -1;
    boost::mutex lock;
    boost::condition_variable changed;
    std::deque<Block> queue;
    // Hashed blocks' memory, handed back to Feed: a fresh megabyte for every block costs more in
    // page faults than the hash itself.
    std::vector<std::vector<char>> spare;
    std::size_t queued_bytes = 0;
    bool busy = false;
    bool closing = false;
    boost::thread worker;
};
