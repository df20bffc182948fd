#pragma once

namespace quarrow {

// The command-line programs write UTF-8. A Windows console shows the bytes it is given in
// its own code page (936 on a Chinese system, 437 on an English one), which would garble
// every Chinese line: for as long as this object lives the console shows UTF-8, and gets
// its code page back afterwards. Output to a file or a pipe stays UTF-8 bytes either way;
// elsewhere this does nothing.
class Utf8Console {
public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    unsigned m_savedCodePage = 0;
};

}  // namespace quarrow
