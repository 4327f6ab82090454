/*
 * expr_stack.cpp --
 *
 *	The stack-based expression validator.
 */
#include "widgets/expr/expr_stack.h"

#include <string.h>

#include "ovex/ovexstdio.h"
#include "widgets/expr/expr_scanner.h"

namespace {

TokenClassProc *tokenClass = defaultTokenClass;

/* Removes the innermost open bracket of kind from the operator stack.
 * Returns: false when there is none. */
bool closeBracket(std::vector<std::string> *operators, const char *open)
{
    for (size_t i = operators->size(); i-- > 0;) {
        if ((*operators)[i] == open) {
            operators->erase(operators->begin() + (long)i);
            return true;
        }
    }
    return false;
}

}  // namespace

int defaultTokenClass(const char *token)
{
    static const char *const operators[] = {"+",     "-",     "*",     "/",      "^",    "=",
                                            "%",     "!",     "==",    ">",      ">=",   "<",
                                            "<=",    "rand",  "inity", "initx",  "initxy",
                                            "ring",  "min",   "max"};
    if (token == NULL) {
        return 0;
    }
    if (strcmp(token, ")") == 0 || strcmp(token, "}") == 0) {
        return 4;
    }
    if (strcmp(token, "(") == 0 || strcmp(token, "{") == 0) {
        return 2;
    }
    for (const char *op : operators) {
        if (strcmp(token, op) == 0) {
            return 1;
        }
    }
    if (strcmp(token, ";") == 0) {
        return 32;
    }
    return 16;
}

void setTokenClassProc(TokenClassProc *proc)
{
    tokenClass = proc != NULL ? proc : defaultTokenClass;
}

int exprStack(const char *text, std::vector<std::string> *operands,
              std::vector<std::string> *operators, int expected)
{
    for (const char *token = nextToken(text); token != NULL; token = nextToken(NULL)) {
        int cls = tokenClass(token);
        if ((cls & expected) == 0) {
            exprError("syntax in exprStack");
            return 0;
        }
        switch (cls) {
        case 16:
            operands->push_back(token);
            expected = 1 | 4;
            break;
        case 1:
        case 2:
            operators->push_back(token);
            expected = 2 | 8 | 16 | 64;
            break;
        case 4:
            if (strcmp(token, ")") == 0) {
                if (!closeBracket(operators, "(")) {
                    exprError("unmatched parenthese exprStack");
                    return 0;
                }
            } else if (!closeBracket(operators, "{")) {
                exprError("unmatched bracket in exprStack");
                return 0;
            }
            expected = 1;
            break;
        default:
            break;
        }
    }
    for (const std::string &op : *operators) {
        if (op == "(" || op == "{") {
            exprError("unmatched parenthese or bracket");
            return 0;
        }
    }
    return 1;
}
