/*
 * expr_compiler.cpp --
 *
 *	Three-address records to instructions, and running them.
 */
#include "widgets/expr/expr_compiler.h"

#include <ctype.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "ovex/ovexstdio.h"
#include "widgets/expr/expr_scanner.h"

namespace {

int addProc(const ExprInstr *i) { i->dest->value = i->arg1->value + i->arg2->value; return 1; }
int subtractProc(const ExprInstr *i) { i->dest->value = i->arg1->value - i->arg2->value; return 1; }
int multiplyProc(const ExprInstr *i) { i->dest->value = i->arg1->value * i->arg2->value; return 1; }
int divideProc(const ExprInstr *i) { i->dest->value = i->arg1->value / i->arg2->value; return 1; }
int powerProc(const ExprInstr *i) { i->dest->value = pow(i->arg1->value, i->arg2->value); return 1; }
int negateProc(const ExprInstr *i) { i->dest->value = -i->arg1->value; return 1; }
int assignProc(const ExprInstr *i) { i->arg1->value = i->arg2->value; return 1; }

ExprProc *procOf(const std::string &op)
{
    static const struct {
        const char *op;
        ExprProc *proc;
    } procs[] = {{"+", addProc},      {"-", subtractProc}, {"*", multiplyProc}, {"/", divideProc},
                 {"^", powerProc},    {"=", assignProc},   {"neg", negateProc}};
    for (const auto &p : procs) {
        if (op == p.op) {
            return p.proc;
        }
    }
    return NULL;
}

/* The item of name, added with the number its name reads as when new.
 * NULL when the table is full. */
ExprItem *addItem(ItemTable *table, const std::string &name)
{
    ExprItem *item = table->find(name);
    if (item != NULL) {
        return item;
    }
    if (table->nItems >= EXPR_MAX_ITEMS) {
        return NULL;
    }
    item = &table->items[table->nItems++];
    item->name = name;
    item->value = atof(name.c_str());
    return item;
}

/* Whether an operand of this name is a variable. */
bool isVariableName(const std::string &name)
{
    if (name.empty()) {
        return true;
    }
    unsigned char c = (unsigned char)name[0];
    if (c == '~' || isdigit(c)) {
        return false;
    }
    if ((c == '+' || c == '-') && name.size() > 1 && isdigit((unsigned char)name[1])) {
        return false;
    }
    return true;
}

}  // namespace

ExprItem *ItemTable::find(const std::string &name)
{
    for (int i = 0; i < nItems; i++) {
        if (items[i].name == name) {
            return &items[i];
        }
    }
    return NULL;
}

bool isNumberName(const std::string &name)
{
    if (name.empty()) {
        return false;
    }
    char *end = NULL;
    strtod(name.c_str(), &end);
    return end != name.c_str() && *end == '\0';
}

/*
 *----------------------------------------------------------------------
 *
 * compileSymbList --
 *
 *	Adds the operands of every record (dest, arg1, arg2), indexes the
 *	new variables in the order they came, and appends one instruction per
 *	record.
 *
 * Results:
 *	The number of instructions appended, or -1 after "Items overlow." or
 *	"fail to solve opr: OP" on standard error.
 *
 *----------------------------------------------------------------------
 */
int compileSymbList(ItemTable *table, const SymbRec *list)
{
    for (const SymbRec *rec = list; rec != NULL; rec = rec->next) {
        for (const std::string *name : {&rec->dest, &rec->arg1, &rec->arg2}) {
            if (addItem(table, *name) == NULL) {
                /* No instruction may refer to an operand that has no room. */
                ovex_fprintf(stderr, "Items overlow.\n");
                return -1;
            }
        }
    }
    for (; table->indexedItems < table->nItems; table->indexedItems++) {
        if (isVariableName(table->items[table->indexedItems].name)) {
            table->varIndex.push_back(table->indexedItems);
        }
    }
    int count = 0;
    for (const SymbRec *rec = list; rec != NULL; rec = rec->next) {
        ExprProc *proc = procOf(rec->op);
        if (proc == NULL) {
            ovex_fprintf(stderr, "fail to solve opr: %s\n", rec->op.c_str());
            return -1;
        }
        table->instr.push_back(
            {proc, table->find(rec->dest), table->find(rec->arg1), table->find(rec->arg2)});
        count++;
    }
    return count;
}

int compileAssignments(ItemTable *table, const char *text)
{
    ExprNode *tree = parseExpr(text);
    if (tree == NULL) {
        return -2;
    }
    std::string assigned;
    bool haveAssigned = false;
    while (tree != NULL) {
        if (tree->isLeaf() || tree->label != "=") {
            exprError("incomplete expression");
        } else if (tree->left != NULL) {
            assigned = tree->left->label;
            haveAssigned = true;
        }
        resetTemporaries();
        SymbRec *list = treeToSymbList(tree);
        if (list == NULL) {
            exprError("fail to create symbol list");
            return -1;
        }
        ovex_printf("\n\n");
        printSymbList(list);
        if (compileSymbList(table, list) < 0) {
            exprError("fail to create instrunction");
            freeSymbList(list);
            return -1;
        }
        freeSymbList(list);
        tree = parseExpr(NULL);
    }
    if (haveAssigned) {
        for (int i = 0; i < table->nVars(); i++) {
            if (table->variable(i)->name == assigned) {
                return i;
            }
        }
    }
    return table->nVars();
}

int execInstructions(ItemTable *table)
{
    int n = table->nInstr();
    int i = 0;
    while (i < n) {
        const ExprInstr &instr = table->instr[(size_t)i];
        i += instr.proc(&instr);
    }
    return n;
}

void initItems(ItemTable *table)
{
    for (int i = 0; i < table->nItems; i++) {
        ExprItem *item = &table->items[i];
        ovex_printf("init:%s\n", item->name.c_str());
        if (!item->name.empty() && item->name[0] == '~') {
            continue;
        }
        item->value = strtod(item->name.c_str(), NULL);
        if (!isNumberName(item->name)) {
            ovex_printf("Input value for %s: ", item->name.c_str());
            const char *line = ovex_gets(NULL);
            item->value = line != NULL ? atof(line) : 0.0;
        }
    }
}
