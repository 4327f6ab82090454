/*
 * expr_scanner.h --
 *
 *	The token scanner and the operator table of the expression compiler
 *	that etran exercises. The scanner state is process-wide: a new text
 *	starts a new scan and later calls without a text go on through it.
 */
#ifndef OVEX_WIDGETS_EXPR_EXPR_SCANNER_H
#define OVEX_WIDGETS_EXPR_EXPR_SCANNER_H

#include <string>

/* Token classes of the operator table. */
enum {
    EXPR_OPERATOR = 1,
    EXPR_LEFT_PAREN = 2,
    EXPR_RIGHT_PAREN = 4,
    EXPR_NUMBER = 8,
    EXPR_IDENTIFIER = 16,
    EXPR_SEMICOLON = 32,
    EXPR_LEFT_BRACE = 64,
    EXPR_RIGHT_BRACE = 128
};

/* Rows of the operator table: 1..46 named, then the defaults. */
enum { EXPR_ROW_IDENTIFIER = 47, EXPR_ROW_NUMBER = 48 };

struct OprRec {
    const char *name;
    int oprClass;
    int nvars;
    int precedence;
};

/* Starts a new scan of text. */
void startScan(const char *text);

/* The next token of text (a new scan) or of the scan in progress (text
 * NULL); NULL at the end. The token stays valid until the next call. */
const char *nextToken(const char *text);

/* The row of token: the named row it equals, else EXPR_ROW_NUMBER when it
 * starts with a digit, else EXPR_ROW_IDENTIFIER. */
int oprIndex(const char *token);
const OprRec &oprRow(int index);
inline int oprClass(int index) { return oprRow(index).oprClass; }

/* Where the scan stands, and its text (for error reports). */
size_t scanPosition(void);
const std::string &scanText(void);

/* "\nError: MESSAGE\nTEXT\n", a space per scanned character and "^\n" on
 * standard error. */
void exprError(const char *message);

#endif /* OVEX_WIDGETS_EXPR_EXPR_SCANNER_H */
