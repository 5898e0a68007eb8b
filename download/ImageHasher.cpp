#include "download/ImageHasher.h"

#include <algorithm>
#include <boost/filesystem/operations.hpp>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

namespace fs = boost::filesystem;

namespace {
// One block per lock; the queue holds a few, so the writer never waits on a hash of the
// moment's worth of data and memory stays small however fast the network is.
constexpr std::size_t kBlockBytes = 1024 * 1024;
constexpr std::size_t kMaxQueuedBytes = 8 * kBlockBytes;
constexpr std::size_t kReadBytes = 1024 * 1024;

std::optional<Sha256Stream> LoadState(const fs::path& file) {
    std::ifstream in(file.c_str(), std::ios::binary);
    if (!in)
        return std::nullopt;
    // A state is one short line: anything longer is not one.
    std::string text(512, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return Sha256Stream::Restore(text);
}
}  // namespace

ImageHasher::ImageHasher(fs::path stateFile) : state_file(std::move(stateFile)) {
    filling.reserve(kBlockBytes);
    worker = boost::thread(&ImageHasher::Run, this);
}

ImageHasher::~ImageHasher() {
    // The engine's worker is interrupted to stop it; that must not cut short the save of the
    // state or leave this thread running. Every wait here is short.
    const boost::this_thread::disable_interruption uninterrupted;
    {
        boost::lock_guard<boost::mutex> guard(lock);
        closing = true;
    }
    changed.notify_all();
    worker.join();
}

bool ImageHasher::CatchUp(const fs::path& image, std::int64_t stored,
                          const std::function<bool()>& stopped) {
    Drain();
    return HashImage(image, stored, stopped);
}

bool ImageHasher::HashImage(const fs::path& image, std::int64_t stored,
                            const std::function<bool()>& stopped) {
    const auto goal = static_cast<std::uint64_t>(stored);
    // A hash of more bytes than the image holds (a write that never reached the disk) is of
    // another image.
    if (stream.Length() > goal)
        stream = Sha256Stream();
    std::optional<Sha256Stream> saved = LoadState(state_file);
    if (saved && saved->Length() > stream.Length() && saved->Length() <= goal)
        stream = *saved;
    if (stream.Length() == goal)
        return true;
    std::ifstream in(image.c_str(), std::ios::binary);
    in.seekg(static_cast<std::streamoff>(stream.Length()));
    const std::unique_ptr<char[]> buffer(new char[kReadBytes]);
    while (stream.Length() < goal) {
        if (stopped() || !in)
            return false;
        const std::uint64_t left = goal - stream.Length();
        in.read(buffer.get(),
                static_cast<std::streamsize>(std::min<std::uint64_t>(left, kReadBytes)));
        if (in.gcount() <= 0)
            return false;
        stream.Update(buffer.get(), static_cast<std::size_t>(in.gcount()));
    }
    return true;
}

void ImageHasher::Follow(const fs::path& image, std::int64_t stored) {
    if (!filling.empty())
        Queue(false);
    const boost::this_thread::disable_interruption uninterrupted;
    Block block;
    block.checkpoint = true;
    block.image = image;
    block.stored = stored;
    {
        boost::lock_guard<boost::mutex> guard(lock);
        queue.push_back(std::move(block));
    }
    changed.notify_all();
}

void ImageHasher::Restart() {
    Drain();
    Discard();
    stream = Sha256Stream();
}

void ImageHasher::Feed(const char* data, std::size_t size) {
    while (size > 0) {
        const std::size_t take = std::min(size, kBlockBytes - filling.size());
        filling.insert(filling.end(), data, data + take);
        data += take;
        size -= take;
        if (filling.size() == kBlockBytes)
            Queue(false);
    }
}

void ImageHasher::FeedAt(std::int64_t offset, const char* data, std::size_t size) {
    if (!filling.empty() && filling_offset + static_cast<std::int64_t>(filling.size()) != offset)
        Queue(false);
    if (filling.empty())
        filling_offset = offset;
    Feed(data, size);
}

void ImageHasher::Checkpoint() {
    Queue(true);
}

Sha256Stream::Digest ImageHasher::Finish(std::uint64_t& length) {
    Drain();
    length = stream.Length();
    return stream.Final();
}

void ImageHasher::Discard() {
    boost::system::error_code ignored;
    fs::remove(state_file, ignored);
}

void ImageHasher::Queue(bool checkpoint) {
    const boost::this_thread::disable_interruption uninterrupted;
    Block block;
    block.offset = filling_offset;
    if (filling_offset >= 0)
        filling_offset += static_cast<std::int64_t>(filling.size());
    block.bytes.swap(filling);
    block.checkpoint = checkpoint;
    boost::unique_lock<boost::mutex> guard(lock);
    changed.wait(guard, [&] { return queued_bytes < kMaxQueuedBytes; });
    queued_bytes += block.bytes.size();
    queue.push_back(std::move(block));
    if (!spare.empty()) {
        filling.swap(spare.back());
        spare.pop_back();
    }
    guard.unlock();
    changed.notify_all();
    filling.reserve(kBlockBytes);
}

void ImageHasher::Drain() {
    if (!filling.empty())
        Queue(false);
    const boost::this_thread::disable_interruption uninterrupted;
    boost::unique_lock<boost::mutex> guard(lock);
    changed.wait(guard, [&] { return queue.empty() && !busy; });
    // What is fed next continues the stream itself, wherever FeedAt left off.
    filling_offset = -1;
}

void ImageHasher::Run() {
    for (;;) {
        Block block;
        {
            boost::unique_lock<boost::mutex> guard(lock);
            changed.wait(guard, [&] { return !queue.empty() || closing; });
            if (queue.empty())
                return;
            block = std::move(queue.front());
            queue.pop_front();
            busy = true;
        }
        // Only this thread touches the stream while anything is queued or being hashed; the
        // engine's side reads it only once Drain has seen both end.
        if (block.image.empty()) {
            if (block.offset < 0 || static_cast<std::uint64_t>(block.offset) == stream.Length())
                stream.Update(block.bytes.data(), block.bytes.size());
        } else if (!HashImage(block.image, block.stored, [this] {
                       boost::lock_guard<boost::mutex> guard(lock);
                       return closing;
                   })) {
            // Cut short: the state saved last still holds, and the next follow reads on.
            block.checkpoint = false;
        }
        if (block.checkpoint)
            SaveState(stream);
        {
            boost::lock_guard<boost::mutex> guard(lock);
            queued_bytes -= block.bytes.size();
            busy = false;
            block.bytes.clear();
            if (block.bytes.capacity() > 0)
                spare.push_back(std::move(block.bytes));
        }
        changed.notify_all();
    }
}

void ImageHasher::SaveState(const Sha256Stream& snapshot) {
    // Written beside and then renamed over the old one: a torn write leaves the older state, which
    // still describes bytes the image holds.
    fs::path temporary = state_file;
    temporary += ".new";
    {
        std::ofstream out(temporary.c_str(), std::ios::binary | std::ios::trunc);
        out << snapshot.Save();
        out.close();
        if (!out)
            return;
    }
    boost::system::error_code ignored;
    fs::rename(temporary, state_file, ignored);
}
