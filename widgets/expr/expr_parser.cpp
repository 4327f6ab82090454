/*
 * expr_parser.cpp --
 *
 *	Statements to trees, trees to symbol lists.
 */
#include "widgets/expr/expr_parser.h"

#include <string.h>

#include <utility>
#include <vector>

#include "core/console_io.h"
#include "ovex/ovexstdio.h"
#include "widgets/expr/expr_scanner.h"

namespace {

/* Open brackets: 1 for "(", 0 for "{". */
unsigned char brackets[EXPR_BRACKET_DEPTH];
int bracketDepth = 0;
int temporaryCount = 0;

bool pushBracket(unsigned char kind)
{
    if (bracketDepth >= EXPR_BRACKET_DEPTH) {
        return false;
    }
    brackets[bracketDepth++] = kind;
    return true;
}

int popBracket(void)
{
    if (bracketDepth <= 0) {
        ovex_fprintf(stderr, "bracket stack underflow\n");
        return -1;
    }
    return brackets[--bracketDepth];
}

ExprNode *leaf(const std::string &label, int precedence)
{
    ExprNode *node = new ExprNode;
    node->label = label;
    node->precedence = precedence;
    return node;
}

ExprNode *node(const std::string &label, ExprNode *left, ExprNode *right, int precedence)
{
    ExprNode *n = leaf(label, precedence);
    n->left = left;
    n->right = right;
    return n;
}

/*
 * exprTerm --
 *	One operand: a number or identifier, a signed one, or a bracketed
 *	tree (precedence 1000, so it is never regrouped).
 * Returns: the term, or NULL (after a message, or silently at the end of
 *	the text).
 */
ExprNode *exprTerm(int *depth)
{
    const char *token = nextToken(NULL);
    /* Unary plus changes nothing. */
    while (token != NULL && strcmp(token, "+") == 0) {
        token = nextToken(NULL);
    }
    if (token == NULL) {
        return NULL;
    }
    int row = oprIndex(token);
    int cls = oprClass(row);
    if (cls == EXPR_NUMBER || cls == EXPR_IDENTIFIER) {
        return leaf(token, oprRow(row).precedence);
    }
    if (strcmp(token, "-") == 0) {
        const char *operand = nextToken(NULL);
        if (operand == NULL) {
            exprError("unary operator missing variable.");
            return NULL;
        }
        int operandRow = oprIndex(operand);
        if (oprClass(operandRow) == EXPR_NUMBER) {
            return leaf(std::string("-") + operand, oprRow(operandRow).precedence);
        }
        if (oprClass(operandRow) == EXPR_IDENTIFIER) {
            int precedence = oprRow(operandRow).precedence;
            return node("neg", leaf(operand, precedence), leaf(operand, precedence),
                        oprRow(oprIndex("neg")).precedence);
        }
        exprError("expected a NUM or a VAR");
        return NULL;
    }
    if (cls == EXPR_OPERATOR) {
        exprError("unexpected operator.");
        return NULL;
    }
    if (cls == EXPR_LEFT_PAREN || cls == EXPR_LEFT_BRACE) {
        /* Deeper nesting than the stack holds is refused, never recursed. */
        if (!pushBracket(cls == EXPR_LEFT_PAREN ? 1 : 0)) {
            exprError("bracket stack overflow");
            return NULL;
        }
        (*depth)++;
        ExprNode *tree = exprTree(NULL, depth);
        if (tree != NULL) {
            tree->precedence = 1000;
        }
        return tree;
    }
    if (cls == EXPR_RIGHT_PAREN || cls == EXPR_RIGHT_BRACE) {
        exprError("Unexpected right parenthese or bracket in exprTerm");
        return NULL;
    }
    exprError("syntax in exprTerm");
    return NULL;
}

}  // namespace

void resetBrackets(void)
{
    bracketDepth = 0;
}

void resetTemporaries(void)
{
    temporaryCount = 0;
}

/*
 *----------------------------------------------------------------------
 *
 * exprTree --
 *
 *	Builds the tree of one statement by operator precedence: an operator
 *	of precedence p takes the whole tree as its left operand when the
 *	root binds at least as tightly (so equal precedence groups to the
 *	left), else it takes the right operand of the lowest node on the
 *	right spine that binds less tightly than p.
 *
 * Results:
 *	The tree, or NULL after a message (what was built is freed) or at
 *	the end of the scan.
 *
 *----------------------------------------------------------------------
 */
ExprNode *exprTree(const char *text, int *depth)
{
    if (text != NULL) {
        startScan(text);
    }
    ExprNode *root = exprTerm(depth);
    if (root == NULL) {
        if (text != NULL) {
            exprError("empty line.");
        }
        return NULL;
    }
    for (;;) {
        const char *token = nextToken(NULL);
        if (token == NULL) {
            break;
        }
        int row = oprIndex(token);
        int cls = oprClass(row);
        if (cls == EXPR_OPERATOR) {
            std::string op = token;     /* the next read replaces the token */
            int precedence = oprRow(row).precedence;
            ExprNode *right = NULL;
            if (oprRow(row).nvars != 0) {
                right = exprTerm(depth);
                if (right == NULL) {
                    exprError("opr syntax.");
                    freeTree(root);
                    return NULL;
                }
            }
            if (root->precedence >= precedence) {
                root = node(op, root, right, precedence);
            } else {
                ExprNode *at = root;
                while (at->right != NULL && at->right->precedence < precedence) {
                    at = at->right;
                }
                at->right = node(op, at->right, right, precedence);
            }
        } else if (cls == EXPR_RIGHT_PAREN || cls == EXPR_RIGHT_BRACE) {
            int kind = popBracket();
            if (cls == EXPR_RIGHT_PAREN && kind != 1) {
                exprError("unmatch right parenthses");
                freeTree(root);
                return NULL;
            }
            if (cls == EXPR_RIGHT_BRACE && kind != 0) {
                exprError("unmatch right bracket");
                freeTree(root);
                return NULL;
            }
            (*depth)--;
            break;
        } else if (cls == EXPR_SEMICOLON) {
            break;
        } else {
            exprError("unexpected token in exprTree");
            freeTree(root);
            return NULL;
        }
    }
    if (*depth < 0) {
        exprError("Unexpected right parenthese or bracket in exprTree");
        freeTree(root);
        return NULL;
    }
    return root;
}

ExprNode *parseExpr(const char *text)
{
    int depth = 0;
    ExprNode *tree = exprTree(text, &depth);
    if (tree != NULL && depth != 0) {
        exprError("parenthesis mismatch");
        freeTree(tree);
        return NULL;
    }
    return tree;
}

void freeTree(ExprNode *tree)
{
    std::vector<ExprNode *> pending;
    if (tree != NULL) {
        pending.push_back(tree);
    }
    while (!pending.empty()) {
        ExprNode *n = pending.back();
        pending.pop_back();
        if (n->left != NULL) {
            pending.push_back(n->left);
        }
        if (n->right != NULL) {
            pending.push_back(n->right);
        }
        delete n;
    }
}

/*
 *----------------------------------------------------------------------
 *
 * treeToSymbList --
 *
 *	Reduces the tree bottom-up, left subtree before right: a node whose
 *	children are leaves a and b becomes the leaf dest, with the record
 *	(dest, op, a, b) appended; dest is a or b when it is a temporary
 *	already, else a new one. A missing child reads "null".
 *
 * Results:
 *	The list (one record with the label as op for a leaf tree). The
 *	tree is freed.
 *
 *----------------------------------------------------------------------
 */
SymbRec *treeToSymbList(ExprNode *tree)
{
    if (tree == NULL) {
        return NULL;
    }
    SymbRec *head = NULL, **tail = &head;
    if (tree->isLeaf()) {
        SymbRec *rec = new SymbRec;
        rec->op = tree->label;
        delete tree;
        return rec;
    }
    /* Post-order with an explicit stack: (node, children done). */
    std::vector<std::pair<ExprNode *, bool>> stack;
    stack.emplace_back(tree, false);
    while (!stack.empty()) {
        auto [n, childrenDone] = stack.back();
        stack.pop_back();
        if (n->isLeaf()) {
            continue;
        }
        if (!childrenDone) {
            stack.emplace_back(n, true);
            if (n->right != NULL) {
                stack.emplace_back(n->right, false);
            }
            if (n->left != NULL) {
                stack.emplace_back(n->left, false);
            }
            continue;
        }
        std::string a = n->left != NULL ? n->left->label : "null";
        std::string b = n->right != NULL ? n->right->label : "null";
        SymbRec *rec = new SymbRec;
        if (a[0] == '~') {
            rec->dest = a;
        } else if (b[0] == '~') {
            rec->dest = b;
        } else {
            rec->dest = "~t" + std::to_string(temporaryCount++);
        }
        rec->op = n->label;
        rec->arg1 = a;
        rec->arg2 = b;
        *tail = rec;
        tail = &rec->next;
        n->label = rec->dest;
        delete n->left;
        delete n->right;
        n->left = n->right = NULL;
    }
    delete tree;
    return head;
}

void freeSymbList(SymbRec *list)
{
    while (list != NULL) {
        SymbRec *next = list->next;
        delete list;
        list = next;
    }
}

void printSymbList(const SymbRec *list)
{
    for (const SymbRec *rec = list; rec != NULL; rec = rec->next) {
        ovex_printf("%10s %10s %10s %10s\n", rec->dest.c_str(), rec->arg1.c_str(), rec->op.c_str(),
                    rec->arg2.c_str());
    }
}

void printTree(const ExprNode *tree, int row, int column, int width)
{
    struct Place {
        const ExprNode *node;
        int row, column, width;
    };
    std::vector<Place> pending;
    if (tree != NULL) {
        pending.push_back({tree, row, column, width});
    }
    while (!pending.empty()) {
        Place p = pending.back();
        pending.pop_back();
        consoleGotoXY(p.column, p.row);
        ovex_printf("%s", p.node->label.c_str());
        int w = p.width < 4 ? 4 : p.width;
        if (p.node->right != NULL) {
            pending.push_back({p.node->right, p.row + 1, p.column + w / 4, w / 2});
        }
        if (p.node->left != NULL) {
            pending.push_back({p.node->left, p.row + 1, p.column - w / 4, w / 2});
        }
    }
}
