// Move-only owner of a loaded shared library and the Windows-like library search.
#pragma once

#include <string>
#include <type_traits>

namespace netrov::platform {

// Owns one dlopen handle; closing happens in the destructor. An empty owner
// holds nothing and finds no symbols.
class DynamicLibrary {
public:
    DynamicLibrary() noexcept = default;
    explicit DynamicLibrary(void* handle) noexcept : handle_(handle) {}
    ~DynamicLibrary() { reset(); }

    DynamicLibrary(DynamicLibrary&& other) noexcept : handle_(other.release()) {}
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept
    {
        if (this != &other) {
            reset();
            handle_ = other.release();
        }
        return *this;
    }
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Opens exactly the given file (or lets the system search a bare name);
    // an empty owner on failure.
    static DynamicLibrary openPath(const std::string& path) noexcept;
    // The library at path only when it is loaded already (one more reference
    // to it); an empty owner otherwise.
    static DynamicLibrary openLoaded(const std::string& path) noexcept;

    explicit operator bool() const noexcept { return handle_ != nullptr; }
    void* handle() const noexcept { return handle_; }
    void* release() noexcept
    {
        void* handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void reset() noexcept;

    // Address of a symbol, or null; also null for an empty owner.
    void* rawSymbol(const char* name) const noexcept;

    // Typed lookup: Fn is the function-pointer type of the real prototype.
    template <class Fn>
    Fn symbol(const char* name) const noexcept
    {
        static_assert(std::is_pointer_v<Fn> && std::is_function_v<std::remove_pointer_t<Fn>>,
                      "symbol<Fn> takes a function-pointer type");
        return reinterpret_cast<Fn>(rawSymbol(name));
    }

private:
    void* handle_ = nullptr;
};

// Looks a symbol up in a raw handle that someone else owns; null when the
// handle is null or lacks the name.
void* findSymbol(void* handle, const char* name) noexcept;

// Loads a library named in a file of directory (the installation folder the
// names are written for, which the loading library's own folder is): a name
// holding a separator is taken from directory unless it is absolute; a bare
// file name is tried in directory, then by the system's own search. The
// current directory plays no part. An empty owner when none loads.
DynamicLibrary loadLibrary(const std::string& name, const std::string& directory);

}  // namespace netrov::platform
