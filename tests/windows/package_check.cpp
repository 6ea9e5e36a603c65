// Checks on what the Windows zip holds, run under Wine by zip_start_test.sh:
//   package_check picture FILE MIN_WIDTH MIN_HEIGHT MIN_TEXT_LINES
//       the screenshot is at least that large, not blank, and has that many lines of text
//       (bands of dark pixels one above the other, as the rows of a list make);
//   package_check program EXE gui|console PRODUCT VERSION
//       the program's subsystem, its version information and its icon, as Explorer reads them.
#include <windows.h>

#include <QImage>
#include <QSet>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Picture(const char* file, int minWidth, int minHeight, int minLines) {
    const QImage image(QString::fromLocal8Bit(file));
    if (image.isNull()) {
        std::printf("picture: cannot read %s\n", file);
        return 1;
    }
    QSet<QRgb> colours;
    int lines = 0;
    int inkRows = 0;
    for (int y = 0; y < image.height(); ++y) {
        int ink = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (colours.size() < 1000)
                colours.insert(pixel);
            if (qGray(pixel) < 100)
                ++ink;
        }
        // A line of text is a few pixel rows with dark pixels between lighter rows.
        if (ink >= 3) {
            ++inkRows;
        } else {
            if (inkRows >= 3 && inkRows <= 40)
                ++lines;
            inkRows = 0;
        }
    }
    std::printf("picture: %d x %d, %lld colours, %d lines of text\n", image.width(), image.height(),
                static_cast<long long>(colours.size()), lines);
    const bool ok = image.width() >= minWidth && image.height() >= minHeight &&
                    colours.size() >= 16 && lines >= minLines;
    return ok ? 0 : 1;
}

std::string VersionText(const std::string& info, const char* key) {
    void* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + key;
    if (!::VerQueryValueA(info.data(), path.c_str(), &value, &length) || length == 0)
        return {};
    return std::string(static_cast<const char*>(value));
}

int Program(const char* exe, const char* kind, const char* product, const char* version) {
    bool ok = true;
    const HMODULE module = ::LoadLibraryExA(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        std::printf("program: cannot open %s\n", exe);
        return 1;
    }
    // LOAD_LIBRARY_AS_DATAFILE maps the file with the low bit of the handle set.
    const auto* base = reinterpret_cast<const unsigned char*>(reinterpret_cast<ULONG_PTR>(module) &
                                                              ~static_cast<ULONG_PTR>(3));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const WORD subsystem = nt->OptionalHeader.Subsystem;
    const bool gui = subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI;
    std::printf("program: %s subsystem\n", gui ? "gui" : "console");
    ok = ok && (std::strcmp(kind, "gui") == 0) == gui;

    const bool icon = ::FindResourceA(module, MAKEINTRESOURCEA(1),
                                      MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */) != nullptr;
    std::printf("program: icon %s\n", icon ? "present" : "missing");
    ok = ok && icon;
    ::FreeLibrary(module);

    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(exe, &ignored);
    std::string info(size, '\0');
    if (size == 0 || !::GetFileVersionInfoA(exe, 0, size, info.data())) {
        std::printf("program: no version information\n");
        return 1;
    }
    const std::string name = VersionText(info, "ProductName");
    const std::string productVersion = VersionText(info, "ProductVersion");
    const std::string fileVersion = VersionText(info, "FileVersion");
    const std::string description = VersionText(info, "FileDescription");
    std::printf("program: %s %s (file %s): %s\n", name.c_str(), productVersion.c_str(),
                fileVersion.c_str(), description.c_str());
    ok = ok && name == product && productVersion == version && fileVersion == version &&
         !description.empty();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    // QImage reads PNG without an application object, so no platform plugin is loaded.
    if (argc == 6 && std::strcmp(argv[1], "picture") == 0)
        return Picture(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    if (argc == 6 && std::strcmp(argv[1], "program") == 0)
        return Program(argv[2], argv[3], argv[4], argv[5]);
    std::printf("usage: package_check picture FILE MIN_WIDTH MIN_HEIGHT MIN_TEXT_LINES\n"
                "       package_check program EXE gui|console PRODUCT VERSION\n");
    return 2;
}
