/*
 * expr_stack.h --
 *
 *	The older stack-based validator of expressions: operands and
 *	operators pushed on two stacks, each token checked against the
 *	classes the previous one allows.
 */
#ifndef OVEX_WIDGETS_EXPR_EXPR_STACK_H
#define OVEX_WIDGETS_EXPR_EXPR_STACK_H

#include <string>
#include <vector>

typedef int (TokenClassProc)(const char *token);

/* ")" and "}" 4, "(" and "{" 2, the validator's operators 1, ";" 32, other
 * tokens 16, no token 0. */
int defaultTokenClass(const char *token);
/* Replaces the token-class procedure (NULL restores the default). */
void setTokenClassProc(TokenClassProc *proc);

/* Validates text, filling the operand and operator stacks (bottom
 * first), starting with the classes expected. Returns: 1 when the text is
 * valid, else 0 after a message on standard error. */
int exprStack(const char *text, std::vector<std::string> *operands,
              std::vector<std::string> *operators, int expected);

#endif /* OVEX_WIDGETS_EXPR_EXPR_STACK_H */
