/*
 * expr_parser.h --
 *
 *	The operator-precedence parser of the expression compiler: one tree
 *	of two-child nodes per statement, flattened into a three-address
 *	symbol list with temporaries "~t0", "~t1" ... Trees and lists are
 *	walked without recursion, so statements of any length are safe; only
 *	brackets nest, at most EXPR_BRACKET_DEPTH deep.
 */
#ifndef OVEX_WIDGETS_EXPR_EXPR_PARSER_H
#define OVEX_WIDGETS_EXPR_EXPR_PARSER_H

#include <string>

enum { EXPR_BRACKET_DEPTH = 64 };

struct ExprNode {
    std::string label;
    int precedence = 0;
    ExprNode *left = nullptr;
    ExprNode *right = nullptr;
    bool isLeaf() const { return left == nullptr && right == nullptr; }
};

struct SymbRec {
    std::string dest, op, arg1, arg2;
    SymbRec *next = nullptr;
};

/* Empties the bracket stack. */
void resetBrackets(void);
/* Starts temporaries again at "~t0". */
void resetTemporaries(void);

/* The tree of the next statement of text (a new scan) or of the scan in
 * progress (NULL), ended by ";", the end of the text or a closing bracket
 * (which decrements depth). NULL after an error message, or at the end of
 * the scan. */
ExprNode *exprTree(const char *text, int *depth);

/* exprTree from depth 0; an open bracket at the end is an error. */
ExprNode *parseExpr(const char *text);

void freeTree(ExprNode *tree);

/* The symbol list of a tree, which it consumes. */
SymbRec *treeToSymbList(ExprNode *tree);
void freeSymbList(SymbRec *list);
/* "%10s %10s %10s %10s\n" per record (dest, arg1, op, arg2) on standard
 * output. */
void printSymbList(const SymbRec *list);

/* Draws the tree on the console: each label at its column and row, the
 * children a row lower at column -/+ width/4 with half the width. */
void printTree(const ExprNode *tree, int row, int column, int width);

#endif /* OVEX_WIDGETS_EXPR_EXPR_PARSER_H */
