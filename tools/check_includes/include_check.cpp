#include "include_check.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>

namespace {

const char* const LAYERS[] = {"platform", "util", "effects", "scenes", "main"};

// The libraries the layers may include, by their headers, and the layers whose files may
// include them: a header name ending in '/' stands for every header in that folder. The table
// in README.md's "Layers" section shows the same.
struct Library {
    std::string name;
    std::vector<std::string> headers;
    std::vector<std::string> layers;
};

const std::vector<Library>& libraries()
{
    static const std::vector<Library> table = {
        {"SDL", {"SDL/"}, {"platform", "util", "scenes", "main"}},
        {"GL, GLEW and GLU", {"GL/"}, {"util", "effects", "scenes", "main"}},
        {"GTK and GLib",
         {"gtk/", "gdk/", "gio/", "glib.h", "glib/", "glib-object.h", "glib-unix.h", "gobject/"},
         {"platform"}},
        {"libmpg123", {"mpg123.h"}, {"platform"}},
        {"vorbisfile", {"vorbis/", "ogg/"}, {"platform"}},
        {"FFTW", {"fftw3.h"}, {"platform"}},
        {"FTGL", {"FTGL/"}, {"util"}},
        {"TinyXML", {"tinyxml.h"}, {"util"}},
        {"zlib", {"zlib.h"}, {"util"}},
        {"libjpeg", {"jpeglib.h", "jerror.h"}, {"util"}},
        {"the SSE2 intrinsics", {"emmintrin.h"}, {"util"}},
    };
    return table;
}

// The headers of the C++17 and C11 standard libraries and of POSIX, which every layer may
// include. Any other angle-bracket include must belong to a library of the table above, so
// that a new library cannot enter a layer unseen.
const std::set<std::string>& standard_headers()
{
    static const std::set<std::string> names = {
        // C++17
        "algorithm", "any", "array", "atomic", "bitset", "cassert", "ccomplex", "cctype",
        "cerrno", "cfenv", "cfloat", "charconv", "chrono", "cinttypes", "ciso646", "climits",
        "clocale", "cmath", "codecvt", "complex", "condition_variable", "csetjmp", "csignal",
        "cstdalign", "cstdarg", "cstdbool", "cstddef", "cstdint", "cstdio", "cstdlib", "cstring",
        "ctgmath", "ctime", "cuchar", "cwchar", "cwctype", "deque", "exception", "execution",
        "filesystem", "forward_list", "fstream", "functional", "future", "initializer_list",
        "iomanip", "ios", "iosfwd", "iostream", "istream", "iterator", "limits", "list",
        "locale", "map", "memory", "memory_resource", "mutex", "new", "numeric", "optional",
        "ostream", "queue", "random", "ratio", "regex", "scoped_allocator", "set",
        "shared_mutex", "sstream", "stack", "stdexcept", "streambuf", "string", "string_view",
        "strstream", "system_error", "thread", "tuple", "type_traits", "typeindex", "typeinfo",
        "unordered_map", "unordered_set", "utility", "valarray", "variant", "vector",
        // C11
        "assert.h", "complex.h", "ctype.h", "errno.h", "fenv.h", "float.h", "inttypes.h",
        "iso646.h", "limits.h", "locale.h", "math.h", "setjmp.h", "signal.h", "stdalign.h",
        "stdarg.h", "stdatomic.h", "stdbool.h", "stddef.h", "stdint.h", "stdio.h", "stdlib.h",
        "stdnoreturn.h", "string.h", "tgmath.h", "threads.h", "time.h", "uchar.h", "wchar.h",
        "wctype.h",
        // POSIX.1-2017, beside the C headers
        "aio.h", "arpa/inet.h", "cpio.h", "dirent.h", "dlfcn.h", "fcntl.h", "fmtmsg.h",
        "fnmatch.h", "ftw.h", "glob.h", "grp.h", "iconv.h", "langinfo.h", "libgen.h",
        "monetary.h", "mqueue.h", "ndbm.h", "net/if.h", "netdb.h", "netinet/in.h",
        "netinet/tcp.h", "nl_types.h", "poll.h", "pthread.h", "pwd.h", "regex.h", "sched.h",
        "search.h", "semaphore.h", "spawn.h", "strings.h", "stropts.h", "sys/ipc.h",
        "sys/mman.h", "sys/msg.h", "sys/resource.h", "sys/select.h", "sys/sem.h", "sys/shm.h",
        "sys/socket.h", "sys/stat.h", "sys/statvfs.h", "sys/time.h", "sys/times.h",
        "sys/types.h", "sys/uio.h", "sys/un.h", "sys/utsname.h", "sys/wait.h", "syslog.h",
        "tar.h", "termios.h", "trace.h", "ulimit.h", "unistd.h", "utime.h", "utmpx.h",
        "wordexp.h",
    };
    return names;
}

const Library* library_of(const std::string& header)
{
    for (const Library& library : libraries()) {
        for (const std::string& name : library.headers) {
            const bool folder = !name.empty() && name.back() == '/';
            if (folder ? header.rfind(name, 0) == 0 : header == name) return &library;
        }
    }
    return nullptr;
}

// "the platform layer", "the util and scenes layers", "the platform, util and main layers".
std::string layers_text(const std::vector<std::string>& layers)
{
    std::string text = "the ";
    for (size_t i = 0; i < layers.size(); ++i) {
        if (i > 0) text += i + 1 == layers.size() ? " and " : ", ";
        text += layers[i];
    }
    return text + (layers.size() == 1 ? " layer" : " layers");
}

// The problem with one angle-bracket include of a file in the given layer, or "" for none.
std::string angle_include_problem(const std::string& path, const std::string& layer,
                                  const AngleInclude& include)
{
    if (standard_headers().count(include.header) != 0) return "";
    const std::string where =
        path + ":" + std::to_string(include.line) + " includes <" + include.header + ">: ";
    const Library* library = library_of(include.header);
    if (library == nullptr) {
        return where + "it is no C, C++ or POSIX header, and the library table of "
                       "tools/check_includes/include_check.cpp names no library with it";
    }
    const std::vector<std::string>& allowed = library->layers;
    if (std::find(allowed.begin(), allowed.end(), layer) != allowed.end()) return "";
    return where + library->name + " may be included only by " + layers_text(allowed);
}

// The layer's rank, lowest first, or -1 for a path outside the layers.
int layer_rank(const std::string& path)
{
    const std::string first = path.substr(0, path.find('/'));
    for (int rank = 0; rank < static_cast<int>(std::size(LAYERS)); ++rank) {
        if (first == LAYERS[rank]) return rank;
    }
    return -1;
}

std::string folder_of(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A header and its source are one module: "util/data/datafile".
std::string module_of(const std::string& path)
{
    size_t dot = path.rfind('.');
    return dot == std::string::npos || dot < path.rfind('/') + 1 ? path : path.substr(0, dot);
}

// Joins a relative include onto a folder, folding "." and ".." away.
std::string joined(const std::string& folder, const std::string& include)
{
    std::vector<std::string> parts;
    std::string whole = folder.empty() ? include : folder + "/" + include;
    size_t start = 0;
    while (start <= whole.size()) {
        size_t end = whole.find('/', start);
        if (end == std::string::npos) end = whole.size();
        std::string part = whole.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts) result += (result.empty() ? "" : "/") + part;
    return result;
}

// What an include names: the file beside the includer when there is one (or the path says
// so), else the path from the source root.
std::string resolved(const std::set<std::string>& known, const std::string& includer,
                     const std::string& include)
{
    std::string beside = joined(folder_of(includer), include);
    bool relative = include.rfind("./", 0) == 0 || include.rfind("../", 0) == 0;
    return relative || known.count(beside) != 0 ? beside : joined("", include);
}

// Strongly connected modules (Tarjan), each list sorted.
std::vector<std::vector<std::string>> circles(const std::map<std::string, std::set<std::string>>& edges)
{
    std::map<std::string, int> index, low;
    std::vector<std::string> stack;
    std::set<std::string> on_stack;
    std::vector<std::vector<std::string>> found;
    int next = 0;
    std::function<void(const std::string&)> visit = [&](const std::string& node) {
        index[node] = low[node] = next++;
        stack.push_back(node);
        on_stack.insert(node);
        auto out = edges.find(node);
        if (out != edges.end()) {
            for (const std::string& to : out->second) {
                if (index.count(to) == 0) {
                    visit(to);
                    low[node] = std::min(low[node], low[to]);
                } else if (on_stack.count(to) != 0) {
                    low[node] = std::min(low[node], index[to]);
                }
            }
        }
        if (low[node] != index[node]) return;
        std::vector<std::string> component;
        std::string member;
        do {
            member = stack.back();
            stack.pop_back();
            on_stack.erase(member);
            component.push_back(member);
        } while (member != node);
        if (component.size() > 1) {
            std::sort(component.begin(), component.end());
            found.push_back(component);
        }
    };
    for (const auto& entry : edges) {
        if (index.count(entry.first) == 0) visit(entry.first);
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

std::vector<std::string> check_includes(const std::vector<SourceFile>& files)
{
    std::set<std::string> known;
    for (const SourceFile& file : files) known.insert(file.path);

    std::vector<std::string> problems;
    std::map<std::string, std::set<std::string>> edges;
    for (const SourceFile& file : files) {
        const int own_rank = layer_rank(file.path);
        for (const std::string& include : file.includes) {
            const std::string target = resolved(known, file.path, include);
            const int target_rank = layer_rank(target);
            if (own_rank >= 0 && target_rank > own_rank) {
                problems.push_back(file.path + " includes " + target + ": the " +
                                   LAYERS[own_rank] + " layer may not include the " +
                                   LAYERS[target_rank] + " layer above it");
            }
            if (module_of(target) != module_of(file.path)) {
                edges[module_of(file.path)].insert(module_of(target));
            }
        }
        if (own_rank < 0) continue;
        for (const AngleInclude& include : file.angle_includes) {
            const std::string problem = angle_include_problem(file.path, LAYERS[own_rank], include);
            if (!problem.empty()) problems.push_back(problem);
        }
    }
    for (const std::vector<std::string>& component : circles(edges)) {
        std::set<std::string> folders;
        for (const std::string& module : component) folders.insert(folder_of(module));
        if (folders.size() < 2) continue;
        std::string text = "include circle between folders:";
        for (const std::string& module : component) text += " " + module;
        problems.push_back(text);
    }
    return problems;
}

std::vector<SourceFile> read_source_tree(const std::string& root)
{
    namespace fs = std::filesystem;
    static const std::regex quoted_include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    static const std::regex angle_include(R"re(^\s*#\s*include\s*<([^>]+)>)re");
    std::vector<SourceFile> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
        SourceFile file;
        file.path = entry.path().lexically_relative(root).generic_string();
        std::ifstream in(entry.path());
        std::string line;
        std::smatch match;
        for (int number = 1; std::getline(in, line); ++number) {
            if (std::regex_search(line, match, quoted_include)) {
                file.includes.push_back(match[1]);
            } else if (std::regex_search(line, match, angle_include)) {
                file.angle_includes.push_back({number, match[1]});
            }
        }
        files.push_back(file);
    }
    std::sort(files.begin(), files.end(),
              [](const SourceFile& a, const SourceFile& b) { return a.path < b.path; });
    return files;
}
