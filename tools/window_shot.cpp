// kvr-window-shot: saves a picture of a window as PNG, for the README and
// for checking how the Windows programs look under Wine.
// Usage: kvr-window-shot TITLE-PART OUT.png [SECONDS-TO-WAIT [COMMAND-ID TITLE-PART]]
// With a command id, the command is sent to the window found first (a menu
// item, a button), and the picture is taken of the window it opens.
#include <windows.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Search {
    std::wstring part;
    HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    wchar_t title[256] = {};
    GetWindowTextW(hwnd, title, 256);
    if (IsWindowVisible(hwnd) && std::wstring(title).find(search->part) != std::wstring::npos) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::uint32_t Crc(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0xFFFFFFFFu) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    for (std::size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

void Be32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

void Chunk(std::vector<std::uint8_t>& png, const char* type,
           const std::vector<std::uint8_t>& data) {
    Be32(png, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    Be32(png, Crc(body.data(), body.size()) ^ 0xFFFFFFFFu);
}

// An uncompressed PNG: stored deflate blocks are enough for a screenshot.
std::vector<std::uint8_t> Png(int width, int height, const std::vector<std::uint8_t>& rgb) {
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        const auto row = rgb.begin() + static_cast<std::ptrdiff_t>(y) * width * 3;
        raw.insert(raw.end(), row, row + width * 3);
    }
    std::vector<std::uint8_t> z{0x78, 0x01};
    for (std::size_t pos = 0; pos < raw.size() || pos == 0;) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
        z.push_back(pos + n == raw.size() ? 1 : 0);
        z.push_back(static_cast<std::uint8_t>(n));
        z.push_back(static_cast<std::uint8_t>(n >> 8));
        z.push_back(static_cast<std::uint8_t>(~n));
        z.push_back(static_cast<std::uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
                 raw.begin() + static_cast<std::ptrdiff_t>(pos + n));
        pos += n;
        if (n == 0) break;
    }
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Be32(z, (b << 16) | a);

    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    Be32(header, static_cast<std::uint32_t>(width));
    Be32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: kvr-window-shot TITLE-PART OUT.png [SECONDS-TO-WAIT "
                     "[COMMAND-ID TITLE-PART]]\n");
        return 2;
    }
    Search search;
    const std::string part = argv[1];
    search.part.assign(part.begin(), part.end());
    const int waitMs = argc > 3 ? std::atoi(argv[3]) * 1000 : 10000;
    for (int waited = 0; search.found == nullptr && waited <= waitMs; waited += 100) {
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) Sleep(100);
    }
    if (search.found == nullptr) {
        std::fprintf(stderr, "no window with \"%s\" in its title\n", argv[1]);
        return 1;
    }
    if (argc > 5) {
        PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(std::atoi(argv[4]), 0), 0);
        const std::string next = argv[5];
        search.part.assign(next.begin(), next.end());
        search.found = nullptr;
        for (int waited = 0; search.found == nullptr && waited <= waitMs; waited += 100) {
            Sleep(100);
            EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
        }
        if (search.found == nullptr) {
            std::fprintf(stderr, "no window with \"%s\" in its title\n", argv[5]);
            return 1;
        }
    }
    Sleep(500);  // let it finish painting
    RECT r{};
    GetWindowRect(search.found, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    std::vector<std::uint8_t> rgb;
    const auto* px = static_cast<const std::uint8_t*>(bits);
    for (int i = 0; i < width * height; ++i) {
        rgb.push_back(px[4 * i + 2]);
        rgb.push_back(px[4 * i + 1]);
        rgb.push_back(px[4 * i + 0]);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    const std::vector<std::uint8_t> png = Png(width, height, rgb);
    FILE* f = std::fopen(argv[2], "wb");
    if (f == nullptr || std::fwrite(png.data(), 1, png.size(), f) != png.size()) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    std::fclose(f);
    return 0;
}
