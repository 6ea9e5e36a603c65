#include "core/system/search.hpp"

#include "core/system/platform/platform.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"

#include <algorithm>
#include <cstddef>
#include <deque>
#include <functional>
#include <string_view>
#include <vector>

namespace varscope::core {

namespace {

// A whole disk may hold millions of entries, so the walk keeps one path buffer and one
// name store per depth, reused from folder to folder, and copies nothing per entry but
// the names of subfolders.
class TreeWalk {
public:
    TreeWalk(std::string_view name, std::string_view folder, const SearchProgress& progress,
             bool programsOnly)
        : m_name(name), m_progress(progress), m_programsOnly(programsOnly),
          m_separator(platform::Separator()), m_path(folder) {
        if (m_path.back() != m_separator)
            m_path += m_separator;
        m_rootLength = m_path.size();
    }

    SearchResult run() {
        SearchResult result;
        result.outcome = walk(0);
        if (result.outcome == SearchOutcome::Found)
            result.path = std::move(m_path);
        return result;
    }

private:
    // Subfolder names of one folder, end to end, with where each ends.
    struct Subfolders {
        std::string names;
        std::vector<std::size_t> ends;
    };

    // On Found, m_path holds the file's path.
    SearchOutcome walk(std::size_t depth) {
        // Other file systems may be network shares or stuck mounts that would hold the
        // walk for minutes.
        if (platform::SkipInDiskSearch(m_path) || isMountPoint())
            return SearchOutcome::NotFound;
        if (m_progress && !m_progress(m_path))
            return SearchOutcome::Cancelled;
        // A deque keeps the stores of shallower folders in place while deeper ones are added.
        if (m_levels.size() <= depth)
            m_levels.emplace_back();
        Subfolders& subfolders = m_levels[depth];
        subfolders.names.clear();
        subfolders.ends.clear();

        m_current = &subfolders;
        m_found = false;
        platform::ForEachInFolder(m_path, m_visit);
        if (m_found)
            return SearchOutcome::Found;

        const std::size_t folderLength = m_path.size();
        std::size_t begin = 0;
        for (const std::size_t end : subfolders.ends) {
            m_path.append(subfolders.names, begin, end - begin);
            m_path += m_separator;
            const SearchOutcome outcome = walk(depth + 1);
            if (outcome != SearchOutcome::NotFound)
                return outcome;
            m_path.resize(folderLength);
            begin = end;
        }
        return SearchOutcome::NotFound;
    }

    bool isMountPoint() const {
        if (m_mountPoints.empty())
            return false;
        const std::string_view below = std::string_view(m_path).substr(m_rootLength);
        return std::binary_search(m_mountPoints.begin(), m_mountPoints.end(), below, std::less<>());
    }

    // Built once: a visitor that captures only `this` is stored without allocating.
    bool visit(const platform::DirEntryView& entry) {
        if (entry.isFile && platform::SameFileName(entry.name, m_name)) {
            const std::size_t folderLength = m_path.size();
            m_path += entry.name;
            // Offered only what the system can start, as the user's own choice must be.
            if (!m_programsOnly || platform::IsProgramFile(m_path)) {
                m_found = true;
                return false;
            }
            m_path.resize(folderLength);
            return true;
        }
        if (entry.isFolder) {
            m_current->names += entry.name;
            m_current->ends.push_back(m_current->names.size());
        }
        return true;
    }

    std::string_view m_name;
    const SearchProgress& m_progress;
    bool m_programsOnly;
    char m_separator;
    std::string m_path;
    std::size_t m_rootLength = 0;
    // Read once: walks of whole disks look each folder up here.
    const std::vector<std::string> m_mountPoints = platform::MountPointsBelow(m_path);
    std::deque<Subfolders> m_levels;
    Subfolders* m_current = nullptr;
    bool m_found = false;
    const std::function<bool(const platform::DirEntryView&)> m_visit =
        [this](const platform::DirEntryView& entry) {
            return visit(entry);
        };
};

} // namespace

SearchResult FindFileInTree(std::string_view name, std::string_view folder,
                            const SearchProgress& progress) {
    if (name.empty() || folder.empty())
        return {};
    return TreeWalk(name, folder, progress, false).run();
}

SearchResult FindProgram(std::string_view name, Prompter& prompter,
                         const SearchProgress& progress) {
    return FindProgram(name, platform::SystemRoot(), prompter, progress);
}

SearchResult FindProgram(std::string_view name, std::string_view root, Prompter& prompter,
                         const SearchProgress& progress) {
    if (name.empty() || root.empty())
        return {};
    SearchResult result = TreeWalk(name, root, progress, true).run();
    if (result.found())
        prompter.message(std::string(text::kFoundPrefix) + result.path, MessageIcon::None,
                         text::kProgramTitle);
    return result;
}

} // namespace varscope::core
