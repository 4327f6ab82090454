/*
 * expr_compiler.h --
 *
 *	Symbol lists compiled into instructions over a table of named
 *	operands, and the loop that runs them. Variables are the operands
 *	whose names are neither temporaries ("~...") nor numbers.
 */
#ifndef OVEX_WIDGETS_EXPR_EXPR_COMPILER_H
#define OVEX_WIDGETS_EXPR_EXPR_COMPILER_H

#include <string>
#include <vector>

#include "widgets/expr/expr_parser.h"

enum { EXPR_MAX_ITEMS = 256 };

struct ExprItem {
    std::string name;
    double value = 0.0;
};

struct ExprInstr;
typedef int (ExprProc)(const ExprInstr *instr);

struct ExprInstr {
    ExprProc *proc;
    ExprItem *dest, *arg1, *arg2;
};

struct ItemTable {
    std::vector<int> varIndex;      /* item index of each variable */
    ExprItem items[EXPR_MAX_ITEMS];
    int nItems = 0;
    int indexedItems = 0;           /* items already considered as variables */
    std::vector<ExprInstr> instr;

    int nVars() const { return (int)varIndex.size(); }
    int nInstr() const { return (int)instr.size(); }
    ExprItem *variable(int i) { return &items[varIndex[(size_t)i]]; }
    /* The item of name, or NULL. */
    ExprItem *find(const std::string &name);
};

/* Adds the operands of list and its instructions to table.
 * Returns: the instructions added; -1 after a message (an operator
 * without an instruction, or more operands than the table holds). */
int compileSymbList(ItemTable *table, const SymbRec *list);

/* Compiles every statement of text, printing each symbol list.
 * Returns: the position of the last assigned variable in the variable
 * list (nVars when none), -2 when text holds no statement, -1 after a
 * message. */
int compileAssignments(ItemTable *table, const char *text);

/* Runs the instructions once. Returns: the instructions executed. */
int execInstructions(ItemTable *table);

/* Gives every operand a value: temporaries are skipped, numbers take
 * their value, the rest are asked on the console. */
void initItems(ItemTable *table);

/* Whether name is a number as a whole (a leading sign allowed). */
bool isNumberName(const std::string &name);

#endif /* OVEX_WIDGETS_EXPR_EXPR_COMPILER_H */
