#include "manual/ManualPage.h"

#include <algorithm>
#include <cctype>
#include <ostream>
#include <sstream>

namespace custodia::manual {

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

// Roff's quoted macro argument: a double quote inside one is written twice.
std::string Quoted(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : RoffLine(text, false))
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// A blank line starts a new paragraph: ".PP" at the left margin, ".IP" to stay under a term.
void WriteRoffText(std::ostream& out, const std::string& text, const char* paragraph)
{
    bool paragraphOpen = true;
    for (const std::string& line : Lines(text)) {
        if (line.empty()) {
            paragraphOpen = false;
            continue;
        }
        if (!paragraphOpen) {
            out << paragraph << '\n';
            paragraphOpen = true;
        }
        out << RoffLine(line, false) << '\n';
    }
}

void WriteRoffBlock(std::ostream& out, const Block& block)
{
    switch (block.kind) {
    case Block::Kind::Text:
        out << ".PP\n";
        WriteRoffText(out, block.text, ".PP");
        break;
    case Block::Kind::Term:
        out << ".TP\n"
            << "\\fB" << RoffLine(block.term, true) << "\\fR\n";
        WriteRoffText(out, block.text, ".IP");
        break;
    case Block::Kind::Example:
        out << ".PP\n.RS 4\n.nf\n";
        for (const std::string& line : Lines(block.text))
            out << RoffLine(line, true) << '\n';
        out << ".fi\n.RE\n";
        break;
    }
}

void WriteIndented(std::ostream& out, const std::string& text, const std::string& indent)
{
    for (const std::string& line : Lines(text))
        out << (line.empty() ? "" : indent + line) << '\n';
}

} // namespace

std::string RoffLine(const std::string& line, bool minusSigns)
{
    std::string roff;
    // A line that starts with a dot or a quote would be read as a request.
    if (!line.empty() && (line.front() == '.' || line.front() == '\''))
        roff += "\\&";
    for (char c : line) {
        if (c == '\\')
            roff += "\\e";
        else if (c == '-' && minusSigns)
            roff += "\\-";
        else
            roff += c;
    }
    return roff;
}

void WriteRoff(std::ostream& out, const Page& page)
{
    out << ".TH " << Upper(page.name) << ' ' << page.section << " \"\" " << Quoted(page.source)
        << " \"User Commands\"\n"
        << ".SH NAME\n"
        << page.name << " \\- " << RoffLine(page.summary, false) << '\n'
        << ".SH SYNOPSIS\n";
    for (size_t i = 0; i < page.synopsis.size(); ++i)
        out << (i == 0 ? "" : ".br\n") << "\\fB" << page.name << "\\fR " << RoffLine(page.synopsis[i], true) << '\n';
    for (const Section& section : page.sections) {
        out << ".SH " << Quoted(Upper(section.title)) << '\n';
        for (const Block& block : section.blocks)
            WriteRoffBlock(out, block);
    }
}

void WriteText(std::ostream& out, const Page& page)
{
    for (size_t i = 0; i < page.synopsis.size(); ++i)
        out << (i == 0 ? "usage: " : "       ") << page.name << ' ' << page.synopsis[i] << '\n';
    for (const Section& section : page.sections) {
        out << '\n' << section.title << ":\n";
        for (const Block& block : section.blocks) {
            if (block.kind == Block::Kind::Term) {
                out << "  " << block.term << '\n';
                WriteIndented(out, block.text, "      ");
            } else {
                WriteIndented(out, block.text, "  ");
            }
        }
    }
}

} // namespace custodia::manual
