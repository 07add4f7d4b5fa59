#ifndef LIDGLOW_TESTS_SUPPORT_TEST_FONTS_H
#define LIDGLOW_TESTS_SUPPORT_TEST_FONTS_H

// Finds the fonts that the tests use where Debian, FreeBSD and other systems
// install them, and otherwise asks fontconfig. A test that needs a font that
// is not installed skips with the reason instead of failing.

#include <cstdio>
#include <string>
#include <unistd.h>

namespace test_fonts {

inline std::string find(const std::string &file)
{
    static const char *const DIRECTORIES[] = {
        "/usr/share/fonts/truetype/dejavu",    // Debian
        "/usr/share/fonts/truetype/wqy",       // Debian
        "/usr/local/share/fonts/dejavu",       // FreeBSD
        "/usr/local/share/fonts/wqy",          // FreeBSD
        "/usr/share/fonts/dejavu-sans-fonts",  // Fedora
        "/usr/share/fonts/wqy-microhei",       // Fedora
        "/usr/share/fonts/TTF",                // Arch
        "/usr/share/fonts/opentype/terminus",  // Debian's fonts-terminus-otb
    };
    for (const char *directory : DIRECTORIES) {
        const std::string path = std::string(directory) + "/" + file;
        if (access(path.c_str(), R_OK) == 0)
            return path;
    }
    // fontconfig prints one "PATH: " line per font file it knows.
    std::FILE *list = popen("fc-list : file 2>/dev/null", "r");
    if (list == nullptr)
        return "";
    std::string found;
    char line[4096];
    while (found.empty() && std::fgets(line, sizeof line, list) != nullptr) {
        std::string path(line);
        path = path.substr(0, path.find(':'));
        if (path.size() > file.size() && path.compare(path.size() - file.size() - 1, std::string::npos,
                                                      "/" + file) == 0)
            found = path;
    }
    pclose(list);
    return found;
}

inline const std::string &dejavu()
{
    static const std::string path = find("DejaVuSans.ttf");
    return path;
}

inline const std::string &dejavu_bold()
{
    static const std::string path = find("DejaVuSans-Bold.ttf");
    return path;
}

inline const std::string &microhei()
{
    static const std::string path = find("wqy-microhei.ttc");
    return path;
}

// A bitmap OpenType font, which SDL_ttf 2.0 opens but draws nothing with.
inline const std::string &terminus_bitmap()
{
    static const std::string path = find("terminus-normal.otb");
    return path;
}

}  // namespace test_fonts

// Skips the current test when a font it needs is missing.
#define REQUIRE_TEST_FONT(path, name)                                                       \
    do {                                                                                    \
        if ((path).empty())                                                                 \
            GTEST_SKIP() << name << " is not installed (looked in the usual places and in " \
                                    "fc-list)";                                             \
    } while (0)

#endif
