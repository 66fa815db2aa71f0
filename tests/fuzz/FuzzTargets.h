#pragma once
// The inputs the fuzzers feed: one target per reader of outside bytes. The libFuzzer harnesses
// and the regression test run the very same code. A refusal (an exception with the reader's
// message) is a normal outcome; anything else escaping, a crash or a sanitizer report is a failure.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>

using TFuzzTargets = std::map<QString, std::function<void(const uint8_t* data, size_t size)>>;

// The picture readers (tavlo_fuzz_images): bmp, ico, gif, jpeg, metafile, qtimage.
const TFuzzTargets& ImageFuzzTargets();
// The text readers (tavlo_fuzz_texts): textrecord, clipboard, templates.
const TFuzzTargets& TextFuzzTargets();

// Feeds the bytes to a target of the group; its refusals end here.
inline void RunFuzzTarget(const TFuzzTargets& group, const QString& name, const uint8_t* data, size_t size)
{
    try {
        group.at(name)(data, size);
    } catch (const std::runtime_error&) {
        // the reader refused the bytes with its message
    }
}
