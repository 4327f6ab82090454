/*
 * calc_console.cpp --
 *
 *	calc subcommands that exercise the console: clrscr, gotoxy, meter,
 *	panic and the input/output self-test.
 */
#include "frontend/calc/calc_handlers.h"

#include <cstdio>

#include "core/console_io.h"
#include "core/package.h"

/* Text of calc panic without a message. */
static const char PANIC_HINT[] = " messages of panic may be displayed at a console that has the focus!";

/* Longest word the self-test reads (the buffer holds one more byte). */
#define TEST_WORD_SIZE 256

CALC_HANDLER(calcClrscr)
{
    consoleClear();
    return TCL_OK;
}

/*
 * calcGotoxy --
 *	calc gotoxy x y text
 * Returns: TCL_OK; TCL_ERROR after the usage on standard error.
 * Changes: moves the console cursor, then writes text as it stands.
 */
CALC_HANDLER(calcGotoxy)
{
    if (argc != 5) {
        ovex_fprintf(stderr, "Usage: calc gotoxy x y text\n");
        return TCL_ERROR;
    }
    consoleGotoXY(ovexLenientInt(argv[2]), ovexLenientInt(argv[3]));
    consolePuts(OVEX_CONSOLE_STDOUT, argv[4], -1);
    return TCL_OK;
}

/*
 * calcMeter --
 *	calc meter ?msg pct?
 * Returns: TCL_OK; TCL_ERROR with the usage for other counts.
 * Changes: resets the meter, or echoes pct on standard error and sets
 *	the meter to pct percent.
 */
CALC_HANDLER(calcMeter)
{
    if (argc == 2) {
        meterReset();
        return TCL_OK;
    }
    if (argc != 4) {
        Tcl_SetResult(interp, (char *)"Usage: calc meter msg pct", TCL_STATIC);
        return TCL_ERROR;
    }
    float percent = 0.0f;
    sscanf(argv[3], "%f", &percent);
    ovex_fprintf(stderr, "pct: %s %f\n", argv[3], percent);
    meterSet(argv[2], percent * 0.01f);
    return TCL_OK;
}

/*
 * calcPanic --
 *	calc panic ?message ...?
 *	Shows each message the way a panic shows it, without ending the
 *	process.
 * Returns: TCL_ERROR.
 */
CALC_HANDLER(calcPanic)
{
    if (argc < 3) {
        ovexPanicMessage("%s", PANIC_HINT);
    }
    for (int k = 2; k < argc; k++) {
        ovexPanicMessage("%s", argv[k]);
    }
    return TCL_ERROR;
}

/*
 * calcTest --
 *	calc test: the standard descriptors, a formatted line, then a number
 *	and a word read twice from the console (scanf, then fscanf on stdin)
 *	and echoed. A word is read up to TEST_WORD_SIZE - 1 bytes.
 * Returns: TCL_OK.
 */
CALC_HANDLER(calcTest)
{
    ovex_fprintf(stdout, "stdin: %d stdout: %d stderr: %d\n", fileno(stdin), fileno(stdout),
                 fileno(stderr));
    ovex_fprintf(stdout, "int: %d string: %s\n", 100, "abcd");

    float number = 0.0f;
    char word[TEST_WORD_SIZE] = "";
    ovex_fprintf(stderr, "Enter a number and a string: ");
    ovex_scanf("%f %255s", &number, word);
    ovex_fprintf(stdout, "%f %s\n", number, word);

    number = 0.0f;
    word[0] = '\0';
    ovex_fprintf(stdout, "Enter a number and a string: ");
    ovex_fscanf(stdin, "%f %255s", &number, word);
    ovex_fprintf(stdout, "%f %s\n", number, word);
    return TCL_OK;
}
