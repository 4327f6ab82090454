/*
 * comb_eval.cpp --
 *
 *	The composite-widget store (_comb) accessors and the direct evaluator
 *	with its abort protocol.
 */
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "core/comb_eval.h"
#include "core/package.h"

#define COMB_STORE "_comb"

int
combFormatStrings(char *text, size_t size, const char *fmt, va_list ap)
{
    size_t used = 0;
    for (const char *f = fmt; *f != '\0'; f++) {
        const char *piece = f;
        size_t length = 1;
        if (*f == '%') {
            if (f[1] == '%') {
                f++;
            } else if (f[1] == 's') {
                f++;
                piece = va_arg(ap, const char *);
                if (piece == NULL) {
                    return -1;   /* printf's own text for it */
                }
                length = strlen(piece);
            } else {
                return -1;
            }
        }
        if (length >= size - used) {
            return -1;
        }
        memcpy(text + used, piece, length);
        used += length;
    }
    text[used] = '\0';
    return (int)used;
}

/* Formatted texts up to this size stay on the stack. */
#define COMB_TEXT_INLINE 512

/*
 * A formatted text: short texts live in the caller's stack buffer, long ones
 * in an allocated block that the destructor frees. The buffer is kept small
 * so that the commands called below it find their stack where the caller's
 * is, as under a compiled script.
 */
class CombText {
public:
    CombText() : heap(NULL) { stack[0] = '\0'; }
    ~CombText() { if (heap != NULL) Tcl_Free(heap); }

    /* Returns the formatted text, or NULL when it cannot be formatted. */
    const char *format(const char *fmt, va_list ap)
    {
        va_list again;
        va_copy(again, ap);
        if (combFormatStrings(stack, sizeof(stack), fmt, ap) >= 0) {
            va_end(again);
            return stack;
        }
        va_list retry;
        va_copy(retry, again);
        int length = vsnprintf(stack, sizeof(stack), fmt, retry);
        va_end(retry);
        if (length < 0) {
            va_end(again);
            return NULL;
        }
        if ((size_t)length < sizeof(stack)) {
            va_end(again);
            return stack;
        }
        heap = Tcl_AttemptAlloc((unsigned int)length + 1);
        if (heap != NULL) {
            vsnprintf(heap, (size_t)length + 1, fmt, again);
        }
        va_end(again);
        return heap;
    }

private:
    CombText(const CombText &);
    CombText &operator=(const CombText &);

    char stack[COMB_TEXT_INLINE];
    char *heap;
};

/*
 * Appends "\nError from <caller>: <first word>\n" to errorInfo and, under an
 * abort point, prints the trace and unwinds. Returns status otherwise.
 */
static int
combFail(CombAbort *abortPoint, Tcl_Interp *interp, int status, const char *caller,
         int argc, const char *const *argv, int showResult)
{
    combAddErrorInfo(interp, "\nError from %s: %s\n", caller, argv[0]);
    if (abortPoint == NULL) {
        return status;
    }

    /* The console may be this interpreter: keep the command's message and
     * errorInfo for the command that set the abort point. */
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, status);
    if (showResult) {
        ovex_printf("%s\nAbort at:\n", Tcl_GetStringResult(interp));
    } else {
        ovex_printf("Abort at:\n");
    }
    for (int i = 0; i < argc; i++) {
        ovex_printf("%s ", argv[i]);
    }
    ovex_printf("\nfrom %s\n", caller);
    (void)Tcl_RestoreInterpState(interp, saved);

    abortPoint->landed = 1;
    throw CombAbortException{abortPoint};
}

/* Longest word list passed to an object procedure from the stack. */
#define COMB_OBJ_WORDS 64

/* Words kept as shared objects: short ones that are not window paths. */
#define COMB_WORD_CACHE_LENGTH 32
#define COMB_WORD_CACHE_SIZE 1024

/* Slots remembering which text address last gave which kept object. */
#define COMB_WORD_SLOTS 256

struct CombWordSlot {
    const char *text;                   /* address the word was last passed at */
    Tcl_Obj *obj;                       /* its kept object (the table holds the reference) */
    char copy[COMB_WORD_CACHE_LENGTH];  /* the word, to check the address still holds it */
};

/*
 * Option names and keywords ("-side", "both", "raise") are passed as
 * objects kept for the thread, so that the lookups Tk caches in an object
 * (option records, index tables, reliefs, distances) are made once, as for
 * the literals of a compiled script. Paths and long texts get fresh objects.
 * Most words are literals of the widget code, passed at the same address
 * each time: a slot per address finds their object without hashing the
 * text; the text is still compared, since an address may hold another
 * word by then.
 */
struct CombWordCache {
    int ready;
    int count;
    Tcl_HashTable words;
    CombWordSlot slots[COMB_WORD_SLOTS];
};

static thread_local CombWordCache combWordCache;

static void
combFreeWordCache(ClientData)
{
    CombWordCache *cache = &combWordCache;
    if (!cache->ready) {
        return;
    }
    Tcl_HashSearch search;
    for (Tcl_HashEntry *entry = Tcl_FirstHashEntry(&cache->words, &search); entry != NULL;
            entry = Tcl_NextHashEntry(&search)) {
        Tcl_DecrRefCount((Tcl_Obj *)Tcl_GetHashValue(entry));
    }
    Tcl_DeleteHashTable(&cache->words);
    memset(cache->slots, 0, sizeof(cache->slots));
    cache->ready = 0;
    cache->count = 0;
}

static inline CombWordSlot *
combWordSlot(CombWordCache *cache, const char *word)
{
    uintptr_t address = (uintptr_t)word;
    return &cache->slots[(address ^ (address >> 8)) % COMB_WORD_SLOTS];
}

/* Kept out of line and unspecialised, so that callers find the thread's
 * cache once and pass it down. */
#if defined(__GNUC__) && !defined(__clang__)
#define COMB_OUT_OF_LINE __attribute__((noinline, noclone))
#elif defined(__GNUC__)
#define COMB_OUT_OF_LINE __attribute__((noinline))
#else
#define COMB_OUT_OF_LINE
#endif

/* combWordObjIn when the word's slot does not hold it. */
static COMB_OUT_OF_LINE Tcl_Obj *
combWordObjSlow(CombWordCache *cache, CombWordSlot *slot, const char *word)
{
    size_t length = strlen(word);
    if (length == 0 || length >= COMB_WORD_CACHE_LENGTH || word[0] == '.') {
        Tcl_Obj *fresh = Tcl_NewStringObj(word, (int)length);
        Tcl_IncrRefCount(fresh);
        return fresh;
    }
    if (!cache->ready) {
        Tcl_InitHashTable(&cache->words, TCL_STRING_KEYS);
        Tcl_CreateThreadExitHandler(combFreeWordCache, NULL);
        cache->ready = 1;
    }
    Tcl_Obj *obj;
    Tcl_HashEntry *entry = Tcl_FindHashEntry(&cache->words, word);
    if (entry != NULL) {
        obj = (Tcl_Obj *)Tcl_GetHashValue(entry);
    } else {
        obj = Tcl_NewStringObj(word, (int)length);
        if (cache->count < COMB_WORD_CACHE_SIZE) {
            int isNew;
            entry = Tcl_CreateHashEntry(&cache->words, word, &isNew);
            Tcl_IncrRefCount(obj);
            Tcl_SetHashValue(entry, obj);
            cache->count++;
        }
    }
    if (entry != NULL) {
        slot->text = word;
        slot->obj = obj;
        memcpy(slot->copy, word, length + 1);
    }
    Tcl_IncrRefCount(obj);
    return obj;
}

/* A referenced object holding word; the caller drops the reference. */
static inline Tcl_Obj *
combWordObjIn(CombWordCache *cache, const char *word)
{
    CombWordSlot *slot = combWordSlot(cache, word);
    if (slot->text == word && strcmp(slot->copy, word) == 0) {
        Tcl_IncrRefCount(slot->obj);
        return slot->obj;
    }
    return combWordObjSlow(cache, slot, word);
}

static Tcl_Obj *
combWordObj(const char *word)
{
    return combWordObjIn(&combWordCache, word);
}

/*
 * Looks a command up through the kept object of its name. Tcl keeps the
 * resolution in the object and checks it against renames, deletions and
 * namespace changes, as it does for the command words of a compiled script;
 * the answer is that of Tcl_GetCommandInfo on the name.
 */
static int
combLookUp(Tcl_Interp *interp, Tcl_Obj *name, Tcl_CmdInfo *info)
{
    Tcl_Command token = Tcl_GetCommandFromObj(interp, name);
    return token != NULL && Tcl_GetCommandInfoFromToken(token, info) && info->proc != NULL;
}

/* What combRun did. */
enum CombRan { COMB_RAN, COMB_NO_COMMAND };

/*
 * Runs the words the way Tcl would, with an empty result to start from:
 * through proc and clientData when proc is given, else through the command
 * argv[0] names (COMB_NO_COMMAND when there is none; nothing is run then).
 * An object command gets the words through its object procedure, without
 * Tcl's conversion of each word to a new object. argc is at least 1.
 */
static int
combRun(Tcl_CmdProc *proc, ClientData clientData, Tcl_Interp *interp, int argc,
        const char **argv, CombRan *ran)
{
    /* The thread's cache is found once: the barrier keeps the compiler from
     * asking for its address again for every word. */
    CombWordCache *cache = &combWordCache;
#if defined(__GNUC__)
    __asm__("" : "+r"(cache));
#endif
    Tcl_Obj *name = combWordObjIn(cache, argv[0]);
    Tcl_CmdInfo info;
    int known = combLookUp(interp, name, &info);
    if (proc == NULL) {
        if (!known) {
            Tcl_DecrRefCount(name);
            *ran = COMB_NO_COMMAND;
            return TCL_ERROR;
        }
        proc = info.proc;
        clientData = info.clientData;
    }
    *ran = COMB_RAN;
    Tcl_SetObjResult(interp, Tcl_NewObj());
    if (!known || argc > COMB_OBJ_WORDS || !info.isNativeObjectProc || info.proc != proc
            || info.clientData != clientData) {
        Tcl_DecrRefCount(name);
        return proc(clientData, interp, argc, argv);
    }
    Tcl_Obj *objv[COMB_OBJ_WORDS + 1];
    objv[0] = name;
    for (int i = 1; i < argc; i++) {
        objv[i] = combWordObjIn(cache, argv[i]);
    }
    objv[argc] = NULL;
    int status = info.objProc(info.objClientData, interp, argc, objv);
    for (int i = 0; i < argc; i++) {
        Tcl_DecrRefCount(objv[i]);
    }
    return status;
}

int
combCommandInfo(Tcl_Interp *interp, const char *name, Tcl_CmdInfo *info)
{
    Tcl_Obj *nameObj = combWordObj(name);
    int found = combLookUp(interp, nameObj, info);
    Tcl_DecrRefCount(nameObj);
    if (!found) {
        info->proc = NULL;
    }
    return found;
}

/* Word lists up to this length stay on the stack. */
#define COMB_INLINE_WORDS 64

/*
 * A word list of at most COMB_MAX_WORDS words and the NULL after them:
 * short lists live in the object on the caller's stack, longer ones move to
 * an allocated block of the full size.
 */
class CombWordList {
public:
    CombWordList() : words(inlineWords), count(0) {}
    ~CombWordList()
    {
        if (words != inlineWords) {
            Tcl_Free((char *)words);
        }
    }

    /* Appends word; 0 when the list already holds COMB_MAX_WORDS words. */
    int add(const char *word)
    {
        if (count == COMB_MAX_WORDS) {
            return 0;
        }
        if (count == COMB_INLINE_WORDS && words == inlineWords) {
            const char **block =
                (const char **)Tcl_Alloc((COMB_MAX_WORDS + 1) * sizeof(const char *));
            memcpy(block, inlineWords, sizeof(inlineWords));
            words = block;
        }
        words[count++] = word;
        return 1;
    }

    int room() const { return COMB_MAX_WORDS - count; }

    /* The words with their NULL. */
    const char **ended()
    {
        words[count] = NULL;
        return words;
    }

    const char **words;
    int count;

private:
    CombWordList(const CombWordList &);
    CombWordList &operator=(const CombWordList &);

    const char *inlineWords[COMB_INLINE_WORDS + 1];
};

static int combEvalWords(CombAbort *abortPoint, ClientData clientData, Tcl_Interp *interp,
                         Tcl_CmdProc *proc, int argc, const char **words, int tooMany);

/*
 *----------------------------------------------------------------------
 *
 * combEval --
 *
 *	Runs a command on a NULL-ended list of words, without parsing or
 *	substitution: through proc and clientData when proc is given, else
 *	through the command named by the first word.
 *
 * Results:
 *	TCL_OK with the command's result; TCL_ERROR with no words; else the
 *	command's status (TCL_BREAK and TCL_CONTINUE are failures too).
 *
 * Side effects:
 *	A failure appends to errorInfo; under an abort point it also prints
 *	the abort trace on standard output and unwinds to the abort point.
 *
 *----------------------------------------------------------------------
 */
int
combEval(CombAbort *abortPoint, ClientData clientData, Tcl_Interp *interp,
         Tcl_CmdProc *proc, ...)
{
    CombWordList words;
    int tooMany = 0;
    va_list ap;

    va_start(ap, proc);
    for (const char *word = va_arg(ap, const char *); word != NULL;
            word = va_arg(ap, const char *)) {
        if (!words.add(word)) {
            tooMany = 1;
            break;
        }
    }
    va_end(ap);

    return combEvalWords(abortPoint, clientData, interp, proc, words.count, words.ended(),
                         tooMany);
}

/*
 * The part of combEval after the words are collected: words[argc] is NULL;
 * tooMany tells that the list was cut short.
 */
static int
combEvalWords(CombAbort *abortPoint, ClientData clientData, Tcl_Interp *interp,
              Tcl_CmdProc *proc, int argc, const char **words, int tooMany)
{
    if (argc == 0) {
        return TCL_ERROR;
    }

    int status;
    if (tooMany) {
        /* Never run a command with its list cut short. */
        Tcl_SetObjResult(interp, Tcl_NewStringObj("combEval: too many words", -1));
        status = TCL_ERROR;
    } else {
        CombRan ran;
        status = combRun(proc, clientData, interp, argc, words, &ran);
        if (ran == COMB_NO_COMMAND) {
            combAddErrorInfo(interp, "\n%s does not exists!", words[0]);
        }
    }

    if (status != TCL_OK) {
        return combFail(abortPoint, interp, status, "combEval", argc, words, 1);
    }
    return TCL_OK;
}

/* Characters that make a script differ from the list of its words. */
#define COMB_SCRIPT_CHARS "$[]\\;\"#\n\r\v\f"

/*
 * Appends the elements of word to words as eval's script would read them.
 * Returns 0 when the script could read them otherwise; split then keeps the
 * list Tcl_SplitList allocated, which the caller frees.
 */
static int
combAppendElements(const char *word, const char ***split, CombWordList &words)
{
    if (strpbrk(word, COMB_SCRIPT_CHARS) != NULL || strstr(word, "{*}") != NULL) {
        return 0;
    }
    if (strpbrk(word, " \t{}") == NULL) {
        /* One element, itself: the common case, with nothing to split. */
        if (word[0] == '\0') {
            return 1;
        }
        return words.add(word);
    }
    int count;
    const char **elements;
    if (Tcl_SplitList(NULL, word, &count, &elements) != TCL_OK) {
        return 0;
    }
    *split = elements;
    if (count > words.room()) {
        return 0;
    }
    for (int i = 0; i < count; i++) {
        (void)words.add(elements[i]);
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * combEvalSplit --
 *
 *	Runs "eval" on a NULL-ended list of words. When the concatenated
 *	script would be read as the plain list of the words' elements, the
 *	command is called directly on them: eval would only compile and run
 *	that very command. A direct call that fails is undone from the
 *	interpreter's state and run again through eval.
 *
 * Results:
 *	As combEval with "eval" as the first word.
 *
 * Side effects:
 *	As combEval.
 *
 *----------------------------------------------------------------------
 */
int
combEvalSplit(CombAbort *abortPoint, Tcl_Interp *interp, ...)
{
    CombWordList given;
    int tooMany = 0;
    va_list ap;

    (void)given.add("eval");
    va_start(ap, interp);
    for (const char *word = va_arg(ap, const char *); word != NULL;
            word = va_arg(ap, const char *)) {
        if (!given.add(word)) {
            tooMany = 1;
            break;
        }
    }
    va_end(ap);
    int argc = given.count;
    given.ended();

    if (!tooMany) {
        /* Up to two words are split; a third list falls back to eval. */
        CombWordList direct;
        const char **splits[2] = {NULL, NULL};
        int splitCount = 0;
        int plain = 1;
        for (int i = 1; i < argc && plain; i++) {
            const char **split = NULL;
            plain = combAppendElements(given.words[i], &split, direct);
            if (split != NULL) {
                if (splitCount == 2) {
                    Tcl_Free((char *)split);
                    plain = 0;
                } else {
                    splits[splitCount++] = split;
                }
            }
        }
        int status = TCL_ERROR;
        CombRan ran = COMB_NO_COMMAND;
        if (plain && direct.count > 0) {
            /* A command called directly leaves errorInfo alone: a failure
             * only needs its result and error code cleared before eval
             * runs it again. A missing command is left to eval. */
            status = combRun(NULL, NULL, interp, direct.count, direct.ended(), &ran);
            if (ran == COMB_RAN && status != TCL_OK) {
                Tcl_ResetResult(interp);
            }
        }
        for (int i = 0; i < splitCount; i++) {
            Tcl_Free((char *)splits[i]);
        }
        if (ran == COMB_RAN && status == TCL_OK) {
            return TCL_OK;
        }
    }
    return combEvalWords(abortPoint, NULL, interp, NULL, argc, given.words, tooMany);
}

/*
 *----------------------------------------------------------------------
 *
 * combEvalVar --
 *
 *	Runs the command named by argv[0] on the caller's word array.
 *
 * Results:
 *	As combEval.
 *
 * Side effects:
 *	As combEval, with its own messages and a trace without the result.
 *
 *----------------------------------------------------------------------
 */
int
combEvalVar(CombAbort *abortPoint, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc <= 0 || argv == NULL || argv[0] == NULL) {
        return TCL_ERROR;
    }

    CombRan ran;
    int status = combRun(NULL, NULL, interp, argc, argv, &ran);
    if (ran == COMB_NO_COMMAND) {
        combAddErrorInfo(interp, "\n%s dose not exist!", argv[0]);
    }

    if (status != TCL_OK) {
        return combFail(abortPoint, interp, status, "combEvalVar", argc, argv, 0);
    }
    return TCL_OK;
}

/* Value of the _comb element of that name, as combGetVar gives it. */
static const char *
combGetElement(Tcl_Interp *interp, const char *element)
{
    Tcl_Obj *store = combWordObj(COMB_STORE);
    Tcl_Obj *elementObj = Tcl_NewStringObj(element, -1);
    Tcl_IncrRefCount(elementObj);
    Tcl_Obj *value = Tcl_ObjGetVar2(interp, store, elementObj, TCL_GLOBAL_ONLY);
    Tcl_DecrRefCount(elementObj);
    Tcl_DecrRefCount(store);
    return value != NULL ? Tcl_GetString(value) : NULL;
}

/*
 *----------------------------------------------------------------------
 *
 * combGetVar --
 *
 *	Reads the _comb element whose name is formatted, at global level.
 *
 * Results:
 *	The value, or NULL when the element does not exist.
 *
 *----------------------------------------------------------------------
 */
const char *
combGetVar(Tcl_Interp *interp, const char *format, ...)
{
    va_list ap;

    va_start(ap, format);
    const char *value = combGetVarV(interp, format, ap);
    va_end(ap);
    return value;
}

const char *
combGetVarV(Tcl_Interp *interp, const char *format, va_list ap)
{
    CombText name;
    va_list copy;

    va_copy(copy, ap);
    const char *element = name.format(format, copy);
    va_end(copy);
    if (element == NULL) {
        return NULL;
    }
    return combGetElement(interp, element);
}

/*
 *----------------------------------------------------------------------
 *
 * combSetVar --
 *
 *	Writes value into the _comb element whose name is formatted, at
 *	global level.
 *
 * Results:
 *	The stored value, or NULL when Tcl refuses the assignment.
 *
 *----------------------------------------------------------------------
 */
const char *
combSetVar(Tcl_Interp *interp, const char *value, const char *format, ...)
{
    CombText name;
    va_list ap;

    va_start(ap, format);
    const char *element = name.format(format, ap);
    va_end(ap);
    if (element == NULL) {
        return NULL;
    }
    Tcl_Obj *store = combWordObj(COMB_STORE);
    Tcl_Obj *elementObj = Tcl_NewStringObj(element, -1);
    Tcl_IncrRefCount(elementObj);
    Tcl_Obj *stored = Tcl_ObjSetVar2(interp, store, elementObj, Tcl_NewStringObj(value, -1),
                                     TCL_GLOBAL_ONLY);
    Tcl_DecrRefCount(elementObj);
    Tcl_DecrRefCount(store);
    return stored != NULL ? Tcl_GetString(stored) : NULL;
}

/*
 *----------------------------------------------------------------------
 *
 * combGlobalEval --
 *
 *	Formats a script and evaluates it at global level.
 *
 * Results:
 *	The script's status.
 *
 *----------------------------------------------------------------------
 */
int
combGlobalEval(Tcl_Interp *interp, const char *format, ...)
{
    CombText script;
    va_list ap;

    va_start(ap, format);
    const char *text = script.format(format, ap);
    va_end(ap);
    if (text == NULL) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj("combGlobalEval: not enough memory", -1));
        return TCL_ERROR;
    }
    return Tcl_EvalEx(interp, text, -1, TCL_EVAL_GLOBAL);
}

/*
 *----------------------------------------------------------------------
 *
 * combAddErrorInfo --
 *
 *	Formats a message and appends it to errorInfo, on a line after the
 *	result (ovexAddErrorInfo).
 *
 * Side effects:
 *	errorInfo grows; the interpreter's result is unchanged.
 *
 *----------------------------------------------------------------------
 */
void
combAddErrorInfo(Tcl_Interp *interp, const char *format, ...)
{
    CombText message;
    va_list ap;

    va_start(ap, format);
    const char *text = message.format(format, ap);
    va_end(ap);
    if (text != NULL) {
        ovexAddErrorInfo(interp, text);
    }
}

/*
 *----------------------------------------------------------------------
 *
 * combAbort --
 *
 *	Writes message on standard error and unwinds to the abort point.
 *
 *----------------------------------------------------------------------
 */
void
combAbort(CombAbort *abortPoint, const char *message)
{
    /* Written as text: a message that holds a '%' must not be read as a
     * format with missing arguments. */
    ovex_fputs(message, stderr);
    if (abortPoint != NULL) {
        abortPoint->landed = 1;
        throw CombAbortException{abortPoint};
    }
}
