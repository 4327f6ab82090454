/*
 * expr_scanner.cpp --
 *
 *	Tokens of arithmetic assignments and the operator table they are
 *	looked up in.
 */
#include "widgets/expr/expr_scanner.h"

#include <ctype.h>
#include <string.h>

#include "ovex/ovexstdio.h"

namespace {

/* Row 0 is empty; rows 47 and 48 are the defaults for identifiers and
 * numbers. */
const OprRec oprTable[] = {
    {"", 0, 0, 0},
    {"=", 1, 1, 0},
    {"+", 1, 1, 2},      {"-", 1, 1, 2},
    {"*", 1, 2, 3},      {"/", 1, 1, 3},      {"idiv", 1, 1, 3},   {"lini", 1, 4, 3},
    {"%", 1, 1, 3},      {"rand", 1, 1, 3},
    {"==", 1, 3, 1},     {">=", 1, 3, 1},     {"<=", 1, 3, 1},     {">", 1, 3, 1},
    {"<", 1, 3, 1},      {"&&", 1, 3, 1},     {"||", 1, 3, 1},
    {"&", 1, 1, 4},      {"|", 1, 1, 4},      {"xor", 1, 1, 4},    {"^", 1, 1, 4},
    {"dist", 1, 2, 4},   {"exp", 1, 1, 4},    {"expd", 1, 6, 4},   {"expx", 1, 3, 4},
    {"expy", 1, 3, 4},   {"sinx", 1, 2, 4},   {"siny", 1, 2, 4},   {"sin", 1, 4, 4},
    {"cosx", 1, 2, 4},   {"cosy", 1, 2, 4},   {"cos", 1, 4, 4},    {"deconv", 1, 3, 4},
    {"init", 1, 1, 5},   {"initx", 1, 2, 5},  {"inity", 1, 2, 5},  {"initxy", 1, 4, 5},
    {"ring", 1, 0, 5},   {"!", 1, 0, 5},      {"max", 1, 1, 5},    {"min", 1, 1, 5},
    {"neg", 1, 1, 5},
    {"(", 2, 0, 0},      {")", 4, 0, 0},      {"{", 64, 0, 0},     {"}", 128, 0, 0},
    {";", 32, 0, 0},
    {"", 16, 0, 6},      /* identifiers */
    {"", 8, 0, 6},       /* numbers */
};
const int namedRows = 46;

struct Scanner {
    std::string text;
    size_t position = 0;
    std::string token;
} scanner;

/* Characters that are a token of their own. */
bool isSingle(char c)
{
    return strchr("!%&()*/;^{|}", c) != NULL && c != '\0';
}

}  // namespace

const OprRec &oprRow(int index)
{
    if (index < 0 || index > EXPR_ROW_NUMBER) {
        return oprTable[0];
    }
    return oprTable[index];
}

int oprIndex(const char *token)
{
    if (token == NULL) {
        return EXPR_ROW_IDENTIFIER;
    }
    for (int i = 1; i <= namedRows; i++) {
        if (strcmp(oprTable[i].name, token) == 0) {
            return i;
        }
    }
    return isdigit((unsigned char)token[0]) ? EXPR_ROW_NUMBER : EXPR_ROW_IDENTIFIER;
}

/*
 *----------------------------------------------------------------------
 *
 * nextToken --
 *
 *	Scans the next token: single-character operators, "<", "=" and ">"
 *	with a following "=", "+" and "-" (part of a token after "," or as
 *	the exponent sign of a number), and runs of other characters ended
 *	by blanks and newlines.
 *
 * Results:
 *	The token, or NULL at the end of the text.
 *
 *----------------------------------------------------------------------
 */
void startScan(const char *text)
{
    scanner.text = text != NULL ? text : "";
    scanner.position = 0;
    scanner.token.clear();
}

const char *nextToken(const char *text)
{
    Scanner &s = scanner;
    if (text != NULL) {
        startScan(text);
    }
    s.token.clear();
    const std::string &t = s.text;
    while (s.position < t.size() && (t[s.position] == ' ' || t[s.position] == '\n')) {
        s.position++;
    }
    if (s.position >= t.size()) {
        return NULL;
    }
    while (s.position < t.size()) {
        char c = t[s.position];
        if (isSingle(c)) {
            if (s.token.empty()) {
                s.token += c;
                s.position++;
            }
            break;
        }
        if (c == '<' || c == '=' || c == '>') {
            if (s.token.empty()) {
                s.token += c;
                s.position++;
                if (s.position < t.size() && t[s.position] == '=') {
                    s.token += '=';
                    s.position++;
                }
            }
            break;
        }
        if (c == ' ' || c == '\n') {
            s.position++;
            break;
        }
        if (c == '+' || c == '-') {
            if (s.token.empty()) {
                s.token += c;
                s.position++;
                break;
            }
            char last = s.token.back();
            bool exponent = (last == 'e' || last == 'E') && isdigit((unsigned char)s.token[0]);
            if (last != ',' && !exponent) {
                break;
            }
        }
        s.token += c;
        s.position++;
    }
    return s.token.c_str();
}

size_t scanPosition(void)
{
    return scanner.position;
}

const std::string &scanText(void)
{
    return scanner.text;
}

void exprError(const char *message)
{
    std::string caret(scanner.position, ' ');
    ovex_fprintf(stderr, "\nError: %s\n%s\n%s^\n", message, scanner.text.c_str(), caret.c_str());
}
