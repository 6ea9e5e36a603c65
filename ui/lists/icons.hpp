#pragma once

#include "core/report/report.hpp"

#include <QIcon>

#include <array>
#include <cstdint>

namespace varscope::ui {

// The small pictures of the main window, drawn once. Image indexes follow the level codes,
// so a record's Level picks its icon directly; 3 and 4 are the category tree's own.
class IconLibrary final {
public:
    static constexpr int kCategoryImage = 3;
    static constexpr int kMemberImage = 4;

    IconLibrary();

    // The icon at an image index: a level code (1, 2, 6 to 13), the category icon (3) or the
    // member icon (4). Any other index, level 0 included, has no icon.
    QIcon image(int index) const;
    QIcon levelIcon(int level) const { return image(level); }
    // The level icon with the marks of a record (core::RecordMark bits): a star on the
    // record that won, a padlock on a record of a locked variable. Made when first asked.
    QIcon levelIcon(int level, std::uint8_t marks) const;
    QIcon categoryIcon() const { return image(kCategoryImage); }
    QIcon memberIcon() const { return image(kMemberImage); }
    // A configuration file in the File Order view; `opened` adds the mark of a file opened
    // for edit during this run.
    QIcon fileIcon(bool opened = false) const { return opened ? m_openedFile : m_file; }

private:
    static constexpr std::size_t kMarkings = 4; // every combination of the two marks

    std::array<QIcon, core::kLevelCodeEnd> m_images;
    mutable std::array<std::array<QIcon, kMarkings>, core::kLevelCodeEnd> m_marked;
    QIcon m_file;
    QIcon m_openedFile;
};

} // namespace varscope::ui
