/*
 * program_kit.cpp --
 *
 *	Input, output and text helpers of the projection programs.
 */
#include "core/native_path.h"
#include "geo/proj/program_kit.h"

#include <math.h>
#include <string.h>

#include "core/rounding.h"
#include "geo/proj/emess.h"
#include "geo/proj/run_guard.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"

bool ProgramInput::open(const char *name, const char *mode)
{
    close();
    if (strcmp(name, "-") == 0) {
        console_ = true;
        return true;
    }
    file_ = fopen(nativePath(name).c_str(), mode);
    return file_ != nullptr;
}

void ProgramInput::close()
{
    if (file_ != nullptr) {
        fclose(file_);
    }
    file_ = nullptr;
    console_ = false;
}

bool ProgramInput::readLine(char *buffer)
{
    if (console_) {
        /* The console gives one line per call, without its newline; an
         * empty line ends the input. */
        if (ovex_fgets(buffer, PROGRAM_MAX_LINE - 1, stdin) == nullptr || buffer[0] == '\0') {
            return false;
        }
        strcat(buffer, "\n");
        return true;
    }
    if (file_ == nullptr || fgets(buffer, PROGRAM_MAX_LINE, file_) == nullptr) {
        return false;
    }
    if (strchr(buffer, '\n') == nullptr) {
        size_t n = strlen(buffer);
        if (n >= PROGRAM_MAX_LINE - 1) {
            /* Overlong: keep the start, drop the rest of the line. */
            buffer[PROGRAM_MAX_LINE - 2] = '\n';
            buffer[PROGRAM_MAX_LINE - 1] = '\0';
            int c;
            while ((c = fgetc(file_)) != EOF && c != '\n') {
            }
        }
    }
    return true;
}

void programWrite(const char *text, size_t length)
{
    /* Line by line, each in one call, without copies (inside a run the
     * console collects them into large writes). */
    const char *end = text + length;
    while (text < end) {
        const char *nl = (const char *)memchr(text, '\n', (size_t)(end - text));
        const char *stop = nl != nullptr ? nl + 1 : end;
        /* Text stops at a zero byte, as ovex_fputs of the line did. */
        const char *nul = (const char *)memchr(text, '\0', (size_t)(stop - text));
        consolePuts(TCL_STDOUT, text, (int)((nul != nullptr ? nul : stop) - text));
        text = stop;
    }
}

void programWrite(const std::string &text)
{
    programWrite(text.data(), text.size());
}

namespace {
double RES = 1000., RES60 = 60000., CONV = 206264806.24709635515796003417;
int fractDigits = 3;
bool fullWidth = false;
}  // namespace

void setRtodms(int fract, int con_w)
{
    if (fract < 0 || fract >= 9) return;
    RES = 1.;
    for (int i = 0; i < fract; ++i) RES *= 10.;
    RES60 = RES * 60.;
    CONV = 180. * 3600. * RES / M_PI;
    fractDigits = fract;
    fullWidth = con_w != 0;
}

void appendRtodms(std::string &out, double r, int pos, int neg)
{
    int sign;
    if (r < 0) {
        r = -r;
        if (!pos) {
            out += '-';
            sign = 0;
        } else {
            sign = neg;
        }
    } else {
        sign = pos;
    }
    r = floor(r * CONV + .5);
    double sec = fmod(r / RES, 60.);
    r = floor(r / RES60);
    int min = clampToInt(fmod(r, 60.));
    int deg = clampToInt(r / 60.);
    char buffer[128];
    int n;
    if (fullWidth) {
        n = snprintf(buffer, sizeof buffer, "%dd%02d'%0*.*f\"", deg, min,
                     fractDigits + 2 + (fractDigits ? 1 : 0), fractDigits, sec);
    } else if (sec != 0) {
        n = snprintf(buffer, sizeof buffer, "%dd%d'%.*f", deg, min, fractDigits, sec);
        /* Trailing zeros of the seconds go, and a bare point with them. */
        char *quote = strrchr(buffer, '\'');
        char *dot = strrchr(buffer, '.');
        if (dot != nullptr && dot > quote) {
            char *last = buffer + n - 1;
            while (*last == '0') --last;
            n = (int)((last == dot ? dot : last + 1) - buffer);
        }
        buffer[n++] = '"';
    } else if (min != 0) {
        n = snprintf(buffer, sizeof buffer, "%dd%d'", deg, min);
    } else {
        n = snprintf(buffer, sizeof buffer, "%dd", deg);
    }
    out.append(buffer, (size_t)n);
    if (sign != 0) out += (char)sign;
}

std::string rtodms(double r, int pos, int neg)
{
    std::string out;
    appendRtodms(out, r, pos, neg);
    return out;
}

std::string projParamListing(ProjHandle *P)
{
    std::string out = "#";
    const char *descr = nullptr;
    for (ProjParam *p = projParams(P); p != nullptr; p = paramNext(p)) {
        if (strncmp(paramText(p), "proj=", 5) == 0) {
            int index = projListIndex(paramText(p) + 5);
            if (index >= 0) descr = projEntryDescr(projListEntry(index));
            break;
        }
    }
    for (const char *s = descr != nullptr ? descr : ""; *s != '\0'; ++s) {
        out += *s;
        if (*s == '\n') out += '#';
    }
    out += "\n#";
    int n = 1;
    for (ProjParam *p = projParams(P); p != nullptr; p = paramNext(p)) {
        int l = (int)strlen(paramText(p)) + 1;
        if (n + l > 72) {
            out += "\n#";
            n = 2;
        }
        out += " ";
        if (paramText(p)[0] != '+') out += "+";
        out += paramText(p);
        n += l;
    }
    if (n > 1) out += "\n";
    return out;
}

bool scanProgramWords(int argc, const char **argv, int *tag, std::vector<const char *> &inputs,
                      const std::function<void(const char *word)> &plus,
                      const ProgramLetterProc &letter)
{
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (*arg == '-') {
            if (arg[1] == '\0') {
                inputs.push_back("-");
                continue;
            }
            for (const char *p = arg + 1; *p != '\0'; p++) {
                auto nextWord = [&]() -> const char * {
                    if (i + 1 >= argc) emess(1, "missing argument for -%c", *p);
                    return argv[++i];
                };
                ProgramLetterStep step = PROGRAM_NEXT_LETTER;
                switch (*p) {
                case 't':
                    if (p[1] != '\0') *tag = *++p;
                    else emess(1, "missing -t col. 1 tag");
                    break;
                case 'W':
                case 'w':
                    if (p[1] >= '0' && p[1] <= '9') {
                        setRtodms(p[1] - '0', *p == 'W');
                        ++p;
                    } else {
                        emess(1, "-W argument missing or non-digit");
                    }
                    break;
                default: step = letter(p, i + 1 < argc, nextWord); break;
                }
                if (step == PROGRAM_RETURN) return false;
                if (step == PROGRAM_NEXT_WORD) break;
            }
        } else if (*arg == '+') {
            plus(arg);
        } else {
            inputs.push_back(arg);
        }
    }
    return true;
}

void forEachProgramInput(const std::vector<const char *> &inputs, const char *mode,
                         const std::function<void(ProgramInput &in)> &process)
{
    for (const char *name : inputs) {
        ProgramInput in;
        emessState.fileName = strcmp(name, "-") == 0 ? "<stdin>" : name;
        emessState.lineNumber = 0;
        if (!in.open(name, mode)) {
            emess(-2, "%s", name);
            emessState.fileName = nullptr;
            continue;
        }
        process(in);
        emessState.fileName = nullptr;
    }
}

void startProgram(int argc, const char **argv, const char *usage)
{
    emessSetProgram(argv[0]);
    if (argc <= 1) {
        ovex_fprintf(stderr, "%s\nusage: %s %s\n", PROJ_RELEASE_TEXT, emessState.programName,
                     usage);
        projExit(0);
    }
}
