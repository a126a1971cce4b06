#include "plot/picture_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cfenv>
#include <vector>

#include "app/faults.h"

#ifndef ZELVAR_PICTURES_DIR
#define ZELVAR_PICTURES_DIR "lib/zelvar"
#endif

namespace zelvar {

namespace {

// The folder of the running program, from /proc/self/exe (links resolved);
// empty when it cannot be read.
std::string program_folder() {
    std::vector<char> buffer(4096);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
    const std::string path(buffer.data(), static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The library's entry point, loaded once; raises Error naming the places
// looked at when it is nowhere.
PictureEntry picture_entry() {
    static PictureEntry entry = nullptr;
    if (entry != nullptr) return entry;
    const std::string folder = program_folder();
    if (folder.empty()) throw Error("The picture library cannot be found: the program's folder is unknown");
    const std::string places[] = {folder + kPictureLibrary,
                                  folder + "../" + ZELVAR_PICTURES_DIR + "/" + kPictureLibrary};
    std::string reasons;
    for (const std::string& place : places) {
        if (access(place.c_str(), F_OK) != 0) continue;
        void* library = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            const char* why = dlerror();
            reasons += std::string("; ") + (why != nullptr ? why : place + ": not loaded");
            continue;
        }
        // Never unloaded: the toolkit keeps state of its own for the process.
        entry = reinterpret_cast<PictureEntry>(dlsym(library, kPictureEntry));
        if (entry != nullptr) return entry;
        reasons += "; " + place + ": no entry " + kPictureEntry;
    }
    throw Error(std::string("The picture library ") + kPictureLibrary + " cannot be loaded (looked in " + places[0] +
                " and " + places[1] + reasons + ")");
}

}  // namespace

void write_run_pictures_on_demand(const std::string& png, const std::string& svg, int width, int height,
                                  const SampleStore& samples, const ViewRecord& view,
                                  const std::array<long double, kChannelRows>& scales) {
    // Loading the toolkit runs its initializers, which may leave arithmetic
    // flags (and the drawing reports its own faults through the message):
    // the caller's floating-point environment comes back whole.
    struct KeptEnvironment {
        std::fenv_t env;
        KeptEnvironment() { std::fegetenv(&env); }
        ~KeptEnvironment() { std::fesetenv(&env); }
    } kept;
    const PictureEntry entry = picture_entry();
    const PictureRequest request{kPictureRequestVersion, png.c_str(), svg.c_str(), width, height,
                                 &samples, &view, scales.data()};
    char message[1024] = {};
    if (entry(&request, message, sizeof message) != 0) throw Error(message);
}

}  // namespace zelvar
