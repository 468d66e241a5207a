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
    std::vector<SourceFile> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
        SourceFile file;
        file.path = entry.path().lexically_relative(root).generic_string();
        std::ifstream in(entry.path());
        std::string line;
        std::smatch match;
        while (std::getline(in, line)) {
            if (std::regex_search(line, match, quoted_include)) file.includes.push_back(match[1]);
        }
        files.push_back(file);
    }
    std::sort(files.begin(), files.end(),
              [](const SourceFile& a, const SourceFile& b) { return a.path < b.path; });
    return files;
}
