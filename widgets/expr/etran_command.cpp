/*
 * etran_command.cpp --
 *
 *	The etran command: questions about the operator table, the tokens and
 *	the symbol list of an expression, and four console drivers that
 *	parse, draw, compile, initialise and time expressions.
 */
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <string>
#include <vector>

#include "core/console_io.h"
#include "core/inits.h"
#include "core/package.h"
#include "ovex/ovexstdio.h"
#include "widgets/expr/expr_compiler.h"
#include "widgets/expr/expr_parser.h"
#include "widgets/expr/expr_scanner.h"
#include "widgets/expr/expr_stack.h"

namespace {

/* The system tick count in milliseconds. */
double tickMilliseconds(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec * 1000.0 + (double)(now.tv_nsec / 1000000);
}

/* One console line after the prompt; "" when none came. */
std::string askLine(const char *prompt)
{
    ovex_printf("%s", prompt);
    const char *line = ovex_gets(NULL);
    return line != NULL ? line : "";
}

void parser0(void)
{
    std::string line = askLine("Input expression: ");
    std::vector<std::string> operands, operators;
    exprStack(line.c_str(), &operands, &operators, 16);
    for (size_t i = operands.size(); i-- > 0;) {
        ovex_printf("%s\n", operands[i].c_str());
    }
    for (size_t i = operators.size(); i-- > 0;) {
        ovex_printf("%s\n", operators[i].c_str());
    }
}

void parser1(void)
{
    std::string line = askLine("Input expression: ");
    consoleClear();
    resetBrackets();
    int depth = 0;
    ExprNode *tree = exprTree(line.c_str(), &depth);
    if (depth != 0) {
        ovex_printf("nPars %d\n", depth);
        exprError("parenthesis mismatch in main");
        freeTree(tree);
        return;
    }
    if (tree == NULL) {
        return;
    }
    ovex_printf("%s", line.c_str());
    printTree(tree, 5, 40, 80);
    resetTemporaries();
    ovex_printf("\n\n\n");
    SymbRec *list = treeToSymbList(tree);
    ovex_printf("\n");
    printSymbList(list);
    freeSymbList(list);
}

void parser2(void)
{
    std::string line = askLine("Input expression: ");
    consoleClear();
    ovex_printf("%s", line.c_str());
    resetBrackets();
    ExprNode *tree = parseExpr(line.c_str());
    if (tree == NULL) {
        ovex_printf("quit\n");
        return;
    }
    if (tree->isLeaf()) {
        exprError("Incomplete expression");
        freeTree(tree);
        return;
    }
    printTree(tree, 4, 40, 80);
    resetTemporaries();
    ovex_printf("\n\n\n");
    SymbRec *list = treeToSymbList(tree);
    if (list == NULL) {
        exprError("Empty expr");
        return;
    }
    ovex_printf("\n");
    printSymbList(list);
    ItemTable *table = new ItemTable;
    int compiled = compileSymbList(table, list);
    freeSymbList(list);
    ovex_printf("\n");
    if (compiled >= 0) {
        initItems(table);
        ovex_printf("Enter execution numbers: ");
        long runs = 0;
        if (ovex_scanf("%ld", &runs) != 1) {
            runs = 0;
        }
        double start = tickMilliseconds();
        for (long i = 0; i < runs; i++) {
            execInstructions(table);
        }
        ovex_printf("Time used: %13.6fs\n", (tickMilliseconds() - start) * 0.001);
        for (int i = 0; i < table->nVars(); i++) {
            ExprItem *v = table->variable(i);
            ovex_printf("%10s %13.3f\n", v->name.c_str(), v->value);
        }
    }
    delete table;
}

/* Whether line (after leading blanks) is "end". */
bool isEnd(const std::string &line)
{
    size_t at = line.find_first_not_of(" \t");
    return at != std::string::npos && line.compare(at, std::string::npos, "end") == 0;
}

void parser3(void)
{
    ItemTable *table = new ItemTable;
    int last = 0;
    for (;;) {
        std::string line = askLine("Input expression: ");
        if (isEnd(line)) {
            break;
        }
        last = compileAssignments(table, line.c_str());
        if (last < 0) {
            break;
        }
    }
    if (last < 0) {
        ovex_fprintf(stderr, "parser error.\n");
        delete table;
        return;
    }
    ovex_printf("out of while\n");
    for (int i = 0; i < table->nVars(); i++) {
        ExprItem *v = table->variable(i);
        ovex_printf("%s ? ", v->name.c_str());
        const char *value = ovex_gets(NULL);
        v->value = value != NULL ? atof(value) : 0.0;
    }
    ovex_printf("Input n: ");
    int runs = 0;
    if (ovex_scanf("%d", &runs) != 1) {
        runs = 0;
    }
    double start = tickMilliseconds();
    long long operations = 0;
    for (int i = 0; i < runs; i++) {
        operations += execInstructions(table);
    }
    ovex_printf("Time used: %13.6fs for total of %lld operations\n",
                (tickMilliseconds() - start) * 0.001, operations);
    for (int i = 0; i < table->nVars(); i++) {
        ExprItem *v = table->variable(i);
        ovex_printf("%s = %13.3f\n", v->name.c_str(), v->value);
    }
    if (table->nVars() > 0) {
        int at = last < table->nVars() ? last : table->nVars() - 1;
        ExprItem *v = table->variable(at);
        ovex_printf("leftVar: %s = %13.3f\n", v->name.c_str(), v->value);
    }
    delete table;
}

/* etran parser expression: the symbol list as the result. */
int etranParseToList(Tcl_Interp *interp, const char *text)
{
    resetBrackets();
    int depth = 0;
    ExprNode *tree = exprTree(text, &depth);
    if (depth != 0) {
        ovex_printf("nPars %d\n", depth);
        exprError("parenthesis mismatch in main");
        freeTree(tree);
        return TCL_ERROR;
    }
    if (tree == NULL) {
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    SymbRec *list = treeToSymbList(tree);
    for (SymbRec *rec = list; rec != NULL; rec = rec->next) {
        std::string element = rec->dest + " " + rec->arg1 + " " + rec->op + " " + rec->arg2;
        Tcl_AppendElement(interp, element.c_str());
    }
    freeSymbList(list);
    return TCL_OK;
}

int usage(Tcl_Interp *interp, const char *command, const char *pattern)
{
    Tcl_AppendResult(interp, "Usage: ", command, pattern, (char *)NULL);
    return TCL_ERROR;
}

/*
 *----------------------------------------------------------------------
 *
 * etranCmd --
 *
 *	etran isopr|nvars|parser|parser0..3|priority|resetvar|token ?arg?
 *
 *----------------------------------------------------------------------
 */
int etranCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 2) {
        ovex_printf("Usage: etran "
                    "isopr|nvars|parser|parser0|parser1|parser2|parser3|priority|resetvar|token\n");
        return TCL_OK;
    }
    const char *word = argv[1];
    if (strcmp(word, "parser") == 0) {
        if (argc != 3) {
            return usage(interp, argv[0], " parser expression");
        }
        return etranParseToList(interp, argv[2]);
    }
    static const struct {
        const char *name;
        int minLength;
        void (*driver)(void);
    } drivers[] = {{"parser0", 7, parser0}, {"parser1", 7, parser1},
                   {"parser2", 7, parser2}, {"parser3", 7, parser3}};
    for (const auto &d : drivers) {
        if (ovexMatchWord(word, d.name, d.minLength)) {
            d.driver();
            return TCL_OK;
        }
    }
    if (ovexMatchWord(word, "priority", 7)) {
        if (argc != 3) {
            return usage(interp, argv[0], " priority token");
        }
        Tcl_SetObjResult(interp, Tcl_NewIntObj(oprRow(oprIndex(argv[2])).precedence));
        return TCL_OK;
    }
    if (ovexMatchWord(word, "isopr", 4)) {
        if (argc != 3) {
            return usage(interp, argv[0], " isopr token");
        }
        Tcl_SetResult(interp, (char *)(oprClass(oprIndex(argv[2])) == EXPR_OPERATOR ? "1" : "0"),
                      TCL_STATIC);
        return TCL_OK;
    }
    if (ovexMatchWord(word, "nvars", 4)) {
        if (argc != 3) {
            return usage(interp, argv[0], " nvars token");
        }
        Tcl_SetObjResult(interp, Tcl_NewIntObj(oprRow(oprIndex(argv[2])).nvars));
        return TCL_OK;
    }
    if (ovexMatchWord(word, "resetvar", 4)) {
        resetTemporaries();
        return TCL_OK;
    }
    if (ovexMatchWord(word, "token", 5)) {
        if (argc != 3) {
            return usage(interp, argv[0], " token str");
        }
        std::string tokens;
        for (const char *t = nextToken(argv[2]); t != NULL; t = nextToken(NULL)) {
            tokens += t;
            tokens += ' ';
        }
        Tcl_SetObjResult(interp, Tcl_NewStringObj(tokens.c_str(), (int)tokens.size()));
        return TCL_OK;
    }
    ovex_fprintf(stderr, "Unkndow command of etran\n");
    Tcl_ResetResult(interp);
    return TCL_ERROR;
}

}  // namespace

/*
 * Etran_Init --
 *	Creates etran. TCL_ERROR only when the command cannot be created.
 */
int Etran_Init(Tcl_Interp *interp)
{
    return Tcl_CreateCommand(interp, "etran", etranCmd, NULL, NULL) != NULL ? TCL_OK : TCL_ERROR;
}
