/*
 * paths.cpp --
 *
 *	File-name translation, absolute paths and path tails through Tcl's
 *	own path handling, so that names compare the way Tcl sees them.
 */
#include "core/paths.h"
#include "core/native_path.h"
#include "core/package.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

/*
 * copyOut --
 *	Copies text into out when it fits with its terminator and returns 1;
 *	otherwise leaves out empty (when it has room for that) and returns 0.
 */
static int copyOut(const std::string &text, char *out, size_t outSize)
{
    if (out == NULL || outSize == 0) {
        return 0;
    }
    if (text.size() >= outSize) {
        out[0] = '\0';
        return 0;
    }
    memcpy(out, text.c_str(), text.size() + 1);
    return 1;
}

bool translateFileName(Tcl_Interp *interp, const char *name, std::string *out)
{
    Tcl_DString buffer;
    Tcl_DStringInit(&buffer);
    const char *translated = (name == NULL) ? NULL : Tcl_TranslateFileName(interp, name, &buffer);
    bool ok = (translated != NULL);
    if (ok && out != NULL) {
        out->assign(translated);
    }
    Tcl_DStringFree(&buffer);
    if (!ok && interp != NULL) {
        ovexAddErrorInfo(interp, "Fail to translate file name.");
    }
    return ok;
}

/*
 * translateFileName --
 *	Tcl's translation of name (tilde expansion) copied into out. Returns
 *	out, or NULL with "Fail to translate file name." added to errorInfo
 *	when Tcl cannot translate it or the result does not fit in out.
 */
char *translateFileName(Tcl_Interp *interp, char *out, size_t outSize, const char *name)
{
    std::string translated;
    if (!translateFileName(interp, name, &translated)) {
        if (out != NULL && outSize > 0) {
            out[0] = '\0';
        }
        return NULL;
    }
    if (!copyOut(translated, out, outSize)) {
        if (interp != NULL) {
            ovexAddErrorInfo(interp, "Fail to translate file name.");
        }
        return NULL;
    }
    return out;
}

/*
 * currentDirectory --
 *	The working directory in UTF-8, as the names it is joined to, grown
 *	to whatever length it has; false when it cannot be read.
 */
static bool currentDirectory(std::string *directory)
{
    std::vector<char> buffer(256);
    for (;;) {
        if (getcwd(buffer.data(), buffer.size()) != NULL) {
            *directory = utf8Path(buffer.data());
            return true;
        }
        if (errno != ERANGE) {
            return false;
        }
        buffer.resize(buffer.size() * 2);
    }
}

static std::string joinToDirectory(const std::string &directory, const char *path)
{
    const char *parts[2] = {directory.c_str(), path};
    Tcl_DString joined;
    Tcl_DStringInit(&joined);
    std::string result = Tcl_JoinPath(2, parts, &joined);
    Tcl_DStringFree(&joined);
    return result;
}

/*
 * absolutePathFrom --
 *	path unchanged when absolute, else joined by Tcl to directory; copied
 *	into out. Returns 1, or 0 when the result does not fit.
 */
int absolutePathFrom(const char *directory, const char *path, char *out, size_t outSize)
{
    if (path == NULL || directory == NULL) {
        copyOut(std::string(), out, outSize);
        return 0;
    }
    if (Tcl_GetPathType(path) == TCL_PATH_ABSOLUTE) {
        return copyOut(path, out, outSize);
    }
    return copyOut(joinToDirectory(directory, path), out, outSize);
}

std::string absolutePath(const char *path)
{
    if (path == NULL) {
        return std::string();
    }
    if (Tcl_GetPathType(path) == TCL_PATH_ABSOLUTE) {
        return path;
    }
    std::string directory;
    if (!currentDirectory(&directory)) {
        return std::string();
    }
    return joinToDirectory(directory, path);
}

/*
 * absolutePath --
 *	path unchanged when absolute, else joined to the current directory;
 *	copied into out. Returns 1, or 0 (out left empty) when the directory
 *	cannot be read or the result does not fit.
 */
int absolutePath(const char *path, char *out, size_t outSize)
{
    /* Never empty on success: an empty relative path gives the directory. */
    std::string absolute = absolutePath(path);
    if (absolute.empty()) {
        copyOut(absolute, out, outSize);
        return 0;
    }
    return copyOut(absolute, out, outSize);
}

std::string pathTail(const char *path)
{
    if (path == NULL || *path == '\0') {
        return std::string();
    }
    int count = 0;
    const char **elements = NULL;
    Tcl_SplitPath(path, &count, &elements);
    std::string tail = (count > 0) ? elements[count - 1] : "";
    Tcl_Free((char *)elements);
    return tail;
}

/*
 * pathTail --
 *	The last element of path as Tcl splits it, copied into out; an empty
 *	path gives an empty text. Returns 1, or 0 when it does not fit.
 */
int pathTail(const char *path, char *out, size_t outSize)
{
    return copyOut(pathTail(path), out, outSize);
}
