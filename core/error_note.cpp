/*
 * error_note.cpp --
 *
 *	The last standard-error message, kept while someone listens.
 */
#include "core/error_note.h"

#include <string>
#include <vector>

namespace {

/* A message longer than this keeps its end: the reason comes last. */
const size_t MESSAGE_LIMIT = 4096;

/* Lines of a message that its one-line form keeps. */
const int MESSAGE_LINES = 4;

/* What one listener heard. */
struct Listener {
    std::string message;  /* the current message, as written */
    bool ended = false;   /* standard output was written after it */
    std::string joined;   /* errorNoteMessage's answer */
    std::string last;     /* errorNoteLast's answer */
};

std::vector<Listener> listeners;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool allBlank(const char *text, int length)
{
    for (int k = 0; k < length; k++) {
        if (!isBlank(text[k])) {
            return false;
        }
    }
    return true;
}

/* The non-blank lines of text, each trimmed. */
std::vector<std::string> trimmedLines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        size_t first = start;
        size_t last = end;
        while (first < last && isBlank(text[first])) {
            first++;
        }
        while (last > first && isBlank(text[last - 1])) {
            last--;
        }
        if (last > first) {
            lines.push_back(text.substr(first, last - first));
        }
        start = end + 1;
    }
    return lines;
}

bool endsInPunctuation(const std::string &line)
{
    char c = line.empty() ? '\0' : line.back();
    return c == '.' || c == '!' || c == '?' || c == ':' || c == ';';
}

} // namespace

void errorNoteListen(void)
{
    listeners.push_back(Listener());
}

void errorNoteStop(void)
{
    if (!listeners.empty()) {
        listeners.pop_back();
    }
}

const char *errorNoteLast(void)
{
    if (listeners.empty()) {
        return "";
    }
    Listener &top = listeners.back();
    std::vector<std::string> lines = trimmedLines(top.message);
    top.last = lines.empty() ? std::string() : lines.back();
    return top.last.c_str();
}

const char *errorNoteMessage(void)
{
    if (listeners.empty()) {
        return "";
    }
    Listener &top = listeners.back();
    std::vector<std::string> lines = trimmedLines(top.message);
    size_t first = lines.size() > (size_t)MESSAGE_LINES ? lines.size() - MESSAGE_LINES : 0;
    top.joined.clear();
    for (size_t k = first; k < lines.size(); k++) {
        if (k > first) {
            top.joined += endsInPunctuation(lines[k - 1]) ? " " : ": ";
        }
        top.joined += lines[k];
    }
    return top.joined.c_str();
}

void errorNoteKeep(const char *text, int length)
{
    if (listeners.empty() || text == NULL || length <= 0) {
        return;
    }
    bool blank = allBlank(text, length);
    for (Listener &listener : listeners) {
        if (listener.ended) {
            if (blank) {
                continue;  /* a line end alone starts no message */
            }
            listener.message.clear();
            listener.ended = false;
        }
        listener.message.append(text, (size_t)length);
        if (listener.message.size() > MESSAGE_LIMIT) {
            listener.message.erase(0, listener.message.size() - MESSAGE_LIMIT);
        }
    }
}

void errorNoteBreak(const char *text, int length)
{
    if (listeners.empty() || text == NULL || length <= 0 || allBlank(text, length)) {
        return;
    }
    for (Listener &listener : listeners) {
        listener.ended = true;
    }
}
