/*
 * geocalc_console.cpp --
 *
 *	The geocalc console loop and its thirteen commands. Words are taken
 *	from the lower-cased copy of the line; file names are taken from the
 *	line as typed, so names with capitals still open on case-sensitive
 *	file systems.
 */
#include "core/native_path.h"
#include "programs/geocalc_console.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/package.h"
#include "core/rounding.h"
#include "core/safe_replace.h"
#include "ovex/ovexstdio.h"
#include "programs/georect_file.h"
#include "ramimage/kit/program_kit.h"

namespace {

const int ANSWER_SIZE = 80;     /* update answers: at most 79 characters */
const int LOAD_LINE_SIZE = 79;  /* GCP text lines are read 78 characters at a time */
const int HELP_LINE_SIZE = 256;
const int HELP_TOPIC_SIZE = 30;
const int HELP_PATH_SIZE = 128;
const int LIST_PAGE = 20;

void message(const char *text)
{
    ovex_fprintf(stderr, "%s", text);
}

/* The system error text of error after the name, as perror does. */
void systemError(const char *name, int error)
{
    ovex_fprintf(stderr, "%s: %s\n", name, strerror(error));
}

/* Without a console, or once its standard input has ended, no answer can
 * ever come: questions give up and the loop ends instead of spinning. */
bool consoleGone()
{
    Tcl_Interp *interp = getConsoleInterp();
    if (interp == NULL) {
        return true;
    }
    if (ovexState.tkConsole) {
        return false;
    }
    Tcl_Channel input = Tcl_GetChannel(interp, "stdin", NULL);
    return input == NULL || Tcl_Eof(input);
}

bool wordInt(const char *word, int *value)
{
    return sscanf(word, "%d", value) == 1;
}

/* Word index as it was typed. */
std::string typedWord(const GcpSet *set, int index)
{
    size_t offset = (size_t)(set->wordList[index] - set->words);
    return std::string(set->line + offset, strlen(set->wordList[index]));
}

/* Closes a file being written; a full disk may show only at the final
 * flush. Returns whether everything was written, with *error its errno. */
bool closeWritten(FILE *file, bool written, int *error)
{
    *error = written ? 0 : errno;
    if (fclose(file) != 0 && written) {
        *error = errno;
        return false;
    }
    return written;
}

bool fileExists(const char *name)
{
    FILE *file = fopen(nativePath(name).c_str(), "r");
    if (file == NULL) {
        return false;
    }
    fclose(file);
    return true;
}

/* Asks before an existing file is replaced; true to go on. */
bool mayOverwrite(const char *kind, const char *name)
{
    if (!fileExists(name)) {
        return true;
    }
    ovex_printf("\n\a%s file %s already exists. ", kind, name);
    return askYesNo("Over write it ?") != 0;
}

/* Asks until a line holding count numbers in format is read; false when
 * the console is gone. */
bool askNumbers(const char *prompt, const char *format, int count, void *first, void *second)
{
    for (;;) {
        ovex_printf("%s", prompt);
        if ((count == 1 ? ovex_scanf(format, first) : ovex_scanf(format, first, second)) == count) {
            return true;
        }
        if (consoleGone()) {
            return false;
        }
        message("Invalid input!");
    }
}

void commandAdd(GcpSet *set)
{
    while (set->count < set->capacity) {
        int id = 0;
        double x1, y1, x2, y2;
        if (!askNumbers("\nID Number (ID# <= 0 for quit) ? ", "%d", 1, &id, NULL) || id < 1) {
            return;
        }
        if (!askNumbers("\n(X1,Y1)? ", "%lf %lf", 2, &x1, &y1)
            || !askNumbers("\n(X2,Y2)? ", "%lf %lf", 2, &x2, &y2)) {
            return;
        }
        GcpRecord *record = set->records + set->count++;
        *record = GcpRecord{1, id, x1, y1, x2, y2, 0.0f, 0.0f};
        set->changed = 1;
    }
    message("Buffer overflow");
}

void commandCalculate(GcpSet *set)
{
    int power = 0;
    ovex_printf("\nEnter the maximum power (it must be >=0) of the polynomial: ");
    if (ovex_scanf("%d", &power) != 1) {
        message("Invalid input!");
        return;
    }
    if (power < 0) {
        ovex_fprintf(stderr, "\nThe power of the polynorm must be >= 0\n");
        return;
    }
    if (!gcpFit(set, power)) {
        return;
    }
    ovex_printf("\n\nCoeficients of Y2:\n");
    for (int k = 0; k < set->nterms; k++) {
        ovex_printf(" %15.7E", set->Icoef[k]);
    }
    ovex_printf("\n\nCoeficients of X2:\n");
    for (int k = 0; k < set->nterms; k++) {
        ovex_printf(" %15.7E", set->Jcoef[k]);
    }
    /* Unselected points take their fitted targets. */
    for (int r = 0; r < set->count; r++) {
        GcpRecord *record = set->records + r;
        if (!record->selected) {
            gcpTransform(set, record->X1, record->Y1, &record->Y2, &record->X2);
            record->DX = record->DY = 0.0f;
        }
    }
    ovex_printf("\n\nMean Sqare Roots:\n");
    ovex_printf("\nMSRI=%6.3f  MSRJ=%6.3f  MSR=%6.3f", set->rmsDY, set->rmsDX, set->rmsTotal);
}

void commandDelete(GcpSet *set)
{
    if (set->wordCount == 1) {
        ovex_printf("%s", "Need more parameter(s)");
        return;
    }
    const char *what = set->wordList[1];
    if (strcmp(what, "all") == 0) {
        if (set->wordCount > 2) {
            message("Too many parameters");
            return;
        }
        set->count = 0;
        set->current = 0;
        set->changed = 1;
    } else if (strcmp(what, "id") == 0) {
        if (set->wordCount < 3) {
            message("Need more parameter(s)");
            return;
        }
        for (int w = 2; w < set->wordCount; w++) {
            int id = 0;
            if (!wordInt(set->wordList[w], &id)) {
                message("Invalid parameter(s)");
                return;
            }
            for (int r = set->count - 1; r >= 0; r--) {
                if (set->records[r].id == id) {
                    deleteGcp(set, r);
                }
            }
        }
    } else if (strcmp(what, "record") == 0 || strcmp(what, "records") == 0) {
        int from = 0, to = 0;
        if (set->wordCount != 4) {
            message("Need more parameter(s)");
            return;
        }
        if (!wordInt(set->wordList[2], &from) || !wordInt(set->wordList[3], &to) || from < 1
            || from > to) {
            message("Invalid parameter(s)");
            return;
        }
        int last = to < set->count ? to : set->count;
        for (int r = last - 1; r >= from - 1; r--) {
            deleteGcp(set, r);
        }
    } else {
        message("Invalid parameter(s)");
    }
}

/* One update answer line: false for an empty line (keep the old values). */
bool readAnswer(char *answer)
{
    return ovex_fgets(answer, ANSWER_SIZE, stdin) != NULL;
}

/* Asks for a new point; keeps and echoes the old one on an empty line. */
void askPoint(const char *prompt, const char *echo, double *x, double *y)
{
    char answer[ANSWER_SIZE];
    for (;;) {
        ovex_printf(prompt, *x, *y);
        if (!readAnswer(answer)) {
            ovex_printf(echo, *x, *y);
            return;
        }
        double newX, newY;
        if (sscanf(answer, "%lf %lf", &newX, &newY) == 2) {
            *x = newX;
            *y = newY;
            return;
        }
        message("Invalid input!");
    }
}

void askTargets(GcpRecord *record, const char *sourceEcho)
{
    askPoint("\nOld (X1 Y1) %12.3f %12.3f.  New (X1 Y1) ? ", sourceEcho, &record->X1, &record->Y1);
    askPoint("\nOld (X2 Y2) %12.3f %12.3f.  New (X2 Y2) ? ", "\n            %12.3f %12.3f",
             &record->X2, &record->Y2);
}

void commandUpdate(GcpSet *set)
{
    if (set->wordCount > 3) {
        message("Too many parameters");
        return;
    }
    if (set->wordCount < 3) {
        message("Need more parameter(s)");
        return;
    }
    const char *what = set->wordList[1];
    int number = 0;
    bool byRecord = strcmp(what, "record") == 0;
    if ((!byRecord && strcmp(what, "id") != 0) || !wordInt(set->wordList[2], &number)) {
        message("Invalid parameter(s)");
        return;
    }
    if (!byRecord) {
        bool found = false;
        for (int r = 0; r < set->count; r++) {
            if (set->records[r].id == number) {
                found = true;
                askTargets(set->records + r, "\n            %12.3f %12.3f\n");
                set->changed = 1;
            }
        }
        if (!found) {
            message("Can not find");
        }
        return;
    }
    if (set->count == 0) {
        message("\nNo records in RAM");
        return;
    }
    if (number < 1 || number > set->count) {
        ovex_fprintf(stderr, "Maximum record # is %4d", set->count);
        message("\nMinmum record # is 1");
        return;
    }
    GcpRecord *record = set->records + number - 1;
    char answer[ANSWER_SIZE];
    for (;;) {
        ovex_printf("\nOld ID # is %3d.  New ID # ? ", record->id);
        if (!readAnswer(answer)) {
            break;
        }
        int id = 0;
        if (sscanf(answer, "%d", &id) == 1) {
            record->id = id;
            break;
        }
        message("Invalid input!");
    }
    askTargets(record, "\n           %12.3f %12.3f");
    set->changed = 1;
}

void commandList(GcpSet *set)
{
    int from = 0, to = 0;
    if (set->wordCount > 3) {
        message("Too many parameters");
        return;
    }
    if (set->wordCount == 1) {
        if (set->count == 0) {
            message("No loaded records");
            return;
        }
        from = set->current;
        to = from + LIST_PAGE - 1;
    } else if (set->wordCount == 2) {
        if (!wordInt(set->wordList[1], &from)) {
            message("Invalid parameter(s)");
            return;
        }
        if (from < 1) {
            message("\nRecord # must be greater than zero.");
            return;
        }
        from--;
        to = from + LIST_PAGE - 1;
    } else {
        if (!wordInt(set->wordList[1], &from) || !wordInt(set->wordList[2], &to)) {
            message("Invalid parameter(s)");
            return;
        }
        from--;
        to--;
    }
    if (from < 0) {
        from = 0;
    }
    if (to > set->count - 1) {
        to = set->count - 1;
    }
    int rows = 0;
    for (int r = from; r <= to; r++) {
        const GcpRecord *record = set->records + r;
        if (!record->selected) {
            continue;
        }
        if (rows > 0 && rows % LIST_PAGE == 0 && !askYesNo("\nMore (Y/N)? ")) {
            break;
        }
        if (rows % LIST_PAGE == 0) {
            ovex_printf("\n No  ID       X1           Y1     ");
            ovex_printf("      X2           Y2         DX       DY");
            ovex_printf("\n__________________________________");
            ovex_printf("___________________________________________\n");
        }
        ovex_printf("\n%3d %4d %12.3f %12.3f %12.3f %12.3f %8.4f %8.4f", r + 1, record->id,
                    record->X1, record->Y1, record->X2, record->Y2, record->DX, record->DY);
        rows++;
    }
    set->current = to > 0 ? to : 0;
}

void commandLoad(GcpSet *set)
{
    if (set->wordCount < 3) {
        message("Need more parameter(s)");
        return;
    }
    if (set->wordCount > 3) {
        message("Too many parameters");
        return;
    }
    bool over = strcmp(set->wordList[1], "over") == 0;
    if (!over && strcmp(set->wordList[1], "append") != 0) {
        message("Invalid parameter(s)");
        return;
    }
    loadGcpText(set, typedWord(set, 2).c_str(), over);
}

void commandSaved(GcpSet *set)
{
    if (set->wordCount == 1) {
        message("File name missing");
        return;
    }
    if (set->wordCount > 2) {
        message("Too many parameters");
        return;
    }
    if (set->count == 0) {
        message("No record to save");
        return;
    }
    std::string name = typedWord(set, 1);
    if (!mayOverwrite("GCP", name.c_str())) {
        return;
    }
    /* A new file that replaces an old one only once written whole. */
    FileReplacement replacement;
    FILE *file = replacement.openStream(name.c_str());
    if (file == NULL) {
        int error = errno;
        message("Error in fopen\n");
        systemError(name.c_str(), error);
        return;
    }
    bool written = true;
    for (int r = 0; r < set->count && written; r++) {
        const GcpRecord *record = set->records + r;
        written = fprintf(file, "%5d %12.3f %12.3f %12.3f %12.3f\n", record->id, record->X1,
                          record->Y1, record->X2, record->Y2) > 0;
    }
    int error = 0;
    written = closeWritten(file, written, &error);
    if (written && !replacement.commit()) {
        written = false;
        error = errno;
    }
    if (!written) {
        ovex_printf("Error in fprintf\n");
        systemError(name.c_str(), error);
        return;
    }
    set->changed = 0;
}

bool hasFit(const GcpSet *set)
{
    return set->nterms > 0 && set->Icoef != NULL && set->Jcoef != NULL;
}

void commandSavef(GcpSet *set)
{
    if (set->wordCount == 1) {
        message("File name missing");
        return;
    }
    if (!hasFit(set)) {
        message("No function exist");
        return;
    }
    std::string name = typedWord(set, 1);
    if (!mayOverwrite("Parameter", name.c_str())) {
        return;
    }
    writeGeorectParams(name.c_str(), set->meanX1, set->meanY1, set->meanX2, set->meanY2,
                       (uint32_t)set->nterms, (uint32_t)set->power, set->Icoef, set->Jcoef);
}

/* -1 for an unknown operator, else its index in operators. */
int operatorIndex(const char *word)
{
    static const char *const operators[] = {">", ">=", "<", "<=", "="};
    for (int i = 0; i < 5; i++) {
        if (strcmp(word, operators[i]) == 0) {
            return i;
        }
    }
    return -1;
}

bool compareBy(int op, double left, double right)
{
    switch (op) {
    case 0: return left > right;
    case 1: return left >= right;
    case 2: return left < right;
    case 3: return left <= right;
    default: return left == right;
    }
}

void commandSelect(GcpSet *set)
{
    if (set->wordCount == 1) {
        message("Need more parameter(s)");
        return;
    }
    if (strcmp(set->wordList[1], "all") == 0) {
        if (set->wordCount > 2) {
            message("Too many parameters");
            return;
        }
        for (int r = 0; r < set->count; r++) {
            set->records[r].selected = 1;
        }
        return;
    }
    if (set->wordCount >= 5) {
        message("Too many parameters");
        return;
    }
    if (set->wordCount < 4) {
        message("Need more parameter(s)");
        return;
    }
    double value = 0.0;
    if (sscanf(set->wordList[3], "%lf", &value) != 1) {
        message("Invalid parameter(s)");
        return;
    }
    int op = operatorIndex(set->wordList[2]);
    if (op < 0) {
        message("Invalid operator");
        return;
    }
    static const char *const items[] = {"id", "x1", "y1", "x2", "y2", "dx", "dy", "record"};
    int item = -1;
    for (int i = 0; i < 8; i++) {
        if (strcmp(set->wordList[1], items[i]) == 0) {
            item = i;
        }
    }
    if (item < 0) {
        message("Invalid item");
        return;
    }
    int whole = roundToInt(value);
    for (int r = 0; r < set->count; r++) {
        GcpRecord *record = set->records + r;
        if (!record->selected) {
            continue;
        }
        bool holds;
        switch (item) {
        case 0: holds = compareBy(op, record->id, whole); break;
        case 1: holds = compareBy(op, record->X1, value); break;
        case 2: holds = compareBy(op, record->Y1, value); break;
        case 3: holds = compareBy(op, record->X2, value); break;
        case 4: holds = compareBy(op, record->Y2, value); break;
        case 5: holds = compareBy(op, record->DX, value); break;
        case 6: holds = compareBy(op, record->DY, value); break;
        default: holds = compareBy(op, r + 1, whole); break;
        }
        if (!holds) {
            record->selected = 0;
        }
    }
}

/* The first blank-separated word of text (empty when none). */
std::string firstWord(const char *text)
{
    const char *start = text + strspn(text, " \t\r\n");
    return std::string(start, strcspn(start, " \t\r\n"));
}

bool sameIgnoringCase(const std::string &a, const std::string &b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); i++) {
        if (tolower((unsigned char)a[i]) != tolower((unsigned char)b[i])) {
            return false;
        }
    }
    return true;
}

void commandHelp(GcpSet *set)
{
    if (set->wordCount > 2) {
        ovex_fprintf(stderr, "\n%s", "Too many parameters");
        return;
    }
    const char *doc = ovex_getenv("OVEX_DOC");
    std::string path = std::string(doc != NULL ? doc : "") + set->helpPath;
    FILE *file;
    while ((file = fopen(nativePath(path.c_str()).c_str(), "r")) == NULL) {
        int error = errno;
        message("\nError in fopen\n");
        systemError(path.c_str(), error);
        if (!askYesNo("\a\nTry again")) {
            return;
        }
        char entered[HELP_PATH_SIZE];
        ovex_printf("\nEnter full path for the help file name: ");
        if (ovex_scanf("%127s", entered) != 1) {
            if (consoleGone()) {
                return;
            }
            continue;
        }
        path = entered;
    }
    std::string topic = set->wordCount == 2 ? set->wordList[1] : "help";
    topic = "@" + topic.substr(0, HELP_TOPIC_SIZE);
    char text[HELP_LINE_SIZE];
    bool inSection = false, found = false;
    while (fgets(text, sizeof text, file) != NULL) {
        std::string word = firstWord(text);
        if (inSection) {
            if (sameIgnoringCase(word, "@END")) {
                break;
            }
            ovex_printf("%s", text);
        } else if (word.empty()) {
            ovex_printf("\n");
        } else if (sameIgnoringCase(word, topic)) {
            inSection = found = true;
        }
    }
    fclose(file);
    if (!found) {
        ovex_printf("\nCan't find the entry of the help.");
        ovex_printf("\nPlease type HELP to get a list of command entry.");
    }
}

void commandGrid(GcpSet *set)
{
    if (!hasFit(set)) {
        message("No function exist");
        return;
    }
    int rows = 0, columns = 0;
    ovex_printf("\nEnter the rows and cols: ");
    if (ovex_scanf("%d %d", &rows, &columns) != 2 || rows < 2 || columns < 2) {
        message("Invalid input!");
        return;
    }
    if (set->count == 0) {
        message("No loaded records");
        return;
    }
    double xmin = set->records[0].X1, xmax = xmin;
    double ymin = set->records[0].Y1, ymax = ymin;
    for (int r = 1; r < set->count; r++) {
        xmin = fmin(xmin, set->records[r].X1);
        xmax = fmax(xmax, set->records[r].X1);
        ymin = fmin(ymin, set->records[r].Y1);
        ymax = fmax(ymax, set->records[r].Y1);
    }
    ovex_printf("xmin: %13.3f xmax: %13.3f ymin: %13.3f ymax: %13.3f\n", xmin, xmax, ymin, ymax);
    double dx = (xmax - xmin) / (columns - 1);
    double dy = (ymax - ymin) / (rows - 1);
    const char *name = "gridgcp.txt";
    FileReplacement replacement;
    FILE *file = replacement.openStream(name);
    if (file == NULL) {
        systemError(name, errno);
        return;
    }
    int number = 1;
    bool written = true;
    for (int r = 0; r < rows && written; r++) {
        for (int c = 0; c < columns && written; c++) {
            double x2 = 0.0, y2 = 0.0;
            gcpTransform(set, xmin + c * dx, ymin + r * dy, &y2, &x2);
            written = fprintf(file, "%5d %13.3f %13.3f\n", number++, x2, y2) > 0;
        }
    }
    int error = 0;
    written = closeWritten(file, written, &error);
    if (written && !replacement.commit()) {
        written = false;
        error = errno;
    }
    if (!written) {
        systemError(name, error);
    }
}

} // namespace

int loadGcpText(GcpSet *set, const char *name, int over)
{
    FILE *file = fopen(nativePath(name).c_str(), "r");
    if (file == NULL) {
        int error = errno;
        message("Error in fopen.\n");
        systemError(name, error);
        return 0;
    }
    if (over) {
        set->count = 0;
        set->current = 0;
    }
    char text[LOAD_LINE_SIZE];
    while (fgets(text, sizeof text, file) != NULL) {
        if (text[0] == '#') {
            continue;
        }
        ovex_printf("%s", text);
        GcpRecord record = {1, 0, 0.0, 0.0, 0.0, 0.0, 0.0f, 0.0f};
        if (sscanf(text, "%d %lf %lf %lf %lf", &record.id, &record.X1, &record.Y1, &record.X2,
                   &record.Y2) != 5) {
            ovex_fprintf(stderr, "Invalid record:\n%s", text);
            continue;
        }
        if (set->count >= set->capacity) {
            message("Buffer overflow");
            break;
        }
        set->records[set->count++] = record;
        set->changed = 1;
    }
    fclose(file);
    return 1;
}

void splitGeocalcLine(GcpSet *set, const char *line)
{
    snprintf(set->line, sizeof set->line, "%s", line);
    set->lineLength = (int)strlen(set->line);
    for (int i = 0; i <= set->lineLength; i++) {
        set->words[i] = (char)tolower((unsigned char)set->line[i]);
    }
    set->wordCount = 0;
    char *cursor = set->words;
    while (set->wordCount < GCP_MAX_WORDS) {
        cursor += strspn(cursor, ", \n");
        if (*cursor == '\0') {
            break;
        }
        set->wordList[set->wordCount++] = cursor;
        cursor += strcspn(cursor, ", \n");
        if (*cursor != '\0') {
            *cursor++ = '\0';
        }
    }
}

int runGeocalcCommand(GcpSet *set)
{
    typedef void (*Command)(GcpSet *);
    static const struct {
        const char *name;
        Command run;
    } commands[] = {
        {"add", commandAdd},       {"calculate", commandCalculate}, {"delete", commandDelete},
        {"update", commandUpdate}, {"list", commandList},           {"load", commandLoad},
        {"saved", commandSaved},   {"savef", commandSavef},         {"select", commandSelect},
        {"help", commandHelp},     {"exchange", gcpExchange},       {"grid", commandGrid},
    };
    if (set->wordCount == 0) {
        return 1;
    }
    const char *first = set->wordList[0];
    if (strcmp(first, "quit") == 0) {
        return 0;
    }
    for (const auto &command : commands) {
        if (strcmp(first, command.name) == 0) {
            command.run(set);
            return 1;
        }
    }
    message("Unknown command");
    return 1;
}

void runGeocalcConsole(GcpSet *set)
{
    set->running = 1;
    while (set->running) {
        ovex_printf("\nCML> ");
        if (consoleGone()) {
            break;
        }
        const char *line = ovex_gets(NULL);
        if (line != NULL) {
            splitGeocalcLine(set, line);
            set->running = runGeocalcCommand(set);
        }
    }
}
