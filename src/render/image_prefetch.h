#pragma once
// The start-up's images: a background thread decodes the files the start-up is known to need,
// ahead of the step that loads them, so reading models, building the terrain and uploading
// overlap the decoding; and every image decoded while the prefetch is installed is kept until
// it ends, so a file that several models share is decoded once. LoadTexture asks the installed
// prefetch first. Results, errors included, are exactly what reading and decoding the file on
// the spot gives; each LoadTexture still makes its own texture.

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/error.h"
#include "render/image_decode.h"

namespace tv {

struct PrefetchedImage {
    DecodedImage image;
    Status status;  // the read or decode error, naming the file; ok when decoded
    // The prefetch handed out this same failure before: the first caller has reported it, so
    // a file that several models share and that is missing makes one message, not one a model.
    bool failureSeen = false;
};

class ImagePrefetch {
public:
    // Starts decoding `paths` in order on its thread (the image library must be initialised).
    // Paths are matched by the file they resolve to, however they are spelled.
    explicit ImagePrefetch(const std::vector<std::string>& paths);
    ~ImagePrefetch();  // stops after the file in hand and frees every kept image
    ImagePrefetch(const ImagePrefetch&) = delete;
    ImagePrefetch& operator=(const ImagePrefetch&) = delete;

    // The image of path: a copy of the kept one (waiting while the thread decodes it), or
    // decoded here and kept when nobody has decoded it yet.
    PrefetchedImage Get(const std::string& path);
    // How many decodes this prefetch has run (on its thread and in Get).
    int Decodes() const;

    // Reads and decodes one file as LoadTexture does.
    static PrefetchedImage ReadAndDecode(const std::string& path);

private:
    void Run();
    static PrefetchedImage DecodeResolved(const std::string& resolved);

    struct Entry {
        bool started = false;                  // someone is decoding it (or has)
        std::optional<PrefetchedImage> image;  // set when decoded
        bool failureHandedOut = false;         // Get has returned its error once
    };
    std::vector<std::string> order_;        // resolved paths for the thread, in order
    std::map<std::string, Entry> entries_;  // by resolved path
    mutable std::mutex mutex_;
    std::condition_variable done_;
    bool stop_ = false;
    int decodes_ = 0;
    std::thread thread_;
};

// Makes `prefetch` the one LoadTexture asks for as long as this object lives.
class ScopedImagePrefetch {
public:
    explicit ScopedImagePrefetch(ImagePrefetch& prefetch);
    ~ScopedImagePrefetch();
    ScopedImagePrefetch(const ScopedImagePrefetch&) = delete;
    ScopedImagePrefetch& operator=(const ScopedImagePrefetch&) = delete;
};

// Through the installed prefetch when there is one, else read and decoded on the spot.
PrefetchedImage ReadAndDecodeImage(const std::string& path);

}  // namespace tv
