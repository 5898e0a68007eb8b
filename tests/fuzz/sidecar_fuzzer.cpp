// Any bytes as the resume record left beside an image: reading it either gives a size or throws
// one of the documented errors, never anything else.
#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>
#include <cstddef>
#include <cstdint>
#include <string>

#include "download/DownloadSidecar.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reader takes a path, as the engine gives it: one file per process, rewritten each run,
    // in a folder of its own wherever the fuzzer is started.
    static const ScratchFolder folder;
    static const std::string path = folder.File("sidecar.cfg");
    WriteBytes(path, std::string(reinterpret_cast<const char*>(data), size));
    try {
        ReadSidecar(path);
    } catch (const boost::property_tree::ptree_error&) {
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    }
    return 0;
}
