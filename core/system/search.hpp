#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace varscope::core {

class Prompter;

// Called with every folder the search enters, with its trailing separator; returning false
// cancels the search.
using SearchProgress = std::function<bool(const std::string& folder)>;

enum class SearchOutcome { Found, NotFound, Cancelled };

struct SearchResult {
    SearchOutcome outcome = SearchOutcome::NotFound;
    std::string path; // the file found, spelled as the disk spells it; empty otherwise

    bool found() const { return outcome == SearchOutcome::Found; }
};

// The first regular file called `name` in `folder` or below. A folder's own file comes
// before anything in its subfolders; subfolders are searched in enumeration order, each
// completely before the next. Links are never followed, a folder of that name is never
// taken, folders that cannot be opened are passed over, and the walk stays on the file
// system where it started.
SearchResult FindFileInTree(std::string_view name, std::string_view folder,
                            const SearchProgress& progress = {});

// FindFileInTree from `root` (the system drive root when not given), taking only a file
// the system can start as a program; tells the user where the program was found, and says
// nothing when it was not.
SearchResult FindProgram(std::string_view name, Prompter& prompter,
                         const SearchProgress& progress = {});
SearchResult FindProgram(std::string_view name, std::string_view root, Prompter& prompter,
                         const SearchProgress& progress = {});

} // namespace varscope::core
