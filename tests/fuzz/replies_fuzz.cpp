// Drives the book of deeds and the lines awaiting the server's answer with arbitrary lines
// written and arbitrary replies read, as a hostile or broken server could send them.
//
// Input: lines separated by LF. The first byte of a line picks the step, the rest is its text:
// 'b' opens a ban of the text and hands its line out, 'w' writes the handed line of a deed,
// 't' writes a typed line, 'p' writes a probe, 'r' begins a read, 'i' and 'e' are an info and
// an error reply, 'l' a user who left, 'x' expires, 'd' drops the connection; anything else
// moves the clock a second on.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "moderation/deed_book.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using varno::DeedBook;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    DeedBook book;
    std::int64_t now = 0;
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        const std::string_view line = input.substr(0, end);
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
        if (line.empty()) {
            continue;
        }
        const std::string_view text = line.substr(1);
        switch (line.front()) {
            case 'b':
                book.Open(DeedBook::Action::Ban, text, "/ban " + std::string(text), "note");
                book.TakeDue(true, 4);
                break;
            case 'w':
                book.Written("/ban " + std::string(text), DeedBook::Line::Deed, now);
                break;
            case 't':
                book.Written(text, DeedBook::Line::Loose, now);
                break;
            case 'p':
                book.Written(text, DeedBook::Line::Probe, now);
                break;
            case 'r':
                book.Arrived();
                break;
            case 'i':
            case 'e':
                book.OnReply(varno::ReadServerReply(line.front() == 'e', text, "alice"), text);
                break;
            case 'l':
                book.Left(text);
                break;
            case 'x':
                book.Expire(now, 500);
                break;
            case 'd':
                book.Dropped(now, 500);
                break;
            default:
                now += 1000;
                break;
        }
    }
    return 0;
}
