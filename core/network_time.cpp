/*
 * network_time.cpp --
 *
 *	The daytime server table, the reading of the servers' reply line, the
 *	search for a healthy answer and the command ovex.time, which reports
 *	the network time and can set the clock from it.
 */
#include "core/network_time.h"

#include <cctype>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <algorithm>
#include <vector>

#include "core/inits.h"
#include "core/package.h"
#include "core/rounding.h"
#include "platform/daytime_client.h"
#include "platform/system_clock.h"

/* Modified Julian day of 1970-01-01. */
#define MJD_UNIX_EPOCH 40587

/* Public daytime servers; the built order is also the initial speed order. */
/* The value in seconds goes through the clamp helper into whole seconds
 * and microseconds, the form the socket wait takes. */
void setTimeServerTimeout(double seconds)
{
    if (!(seconds > 0.0)) {
        seconds = 0.0;
    }
    if (seconds >= (double)INT_MAX) {
        setTimeServerTimeoutParts(INT_MAX, 0);
        return;
    }
    int whole = clampToInt(seconds);
    int micro = roundToInt((seconds - whole) * 1000000.0);
    /* 1.9999999 rounds to a whole second more, which select would refuse
     * as a microsecond count. */
    if (micro >= 1000000) {
        whole++;
        micro -= 1000000;
    }
    setTimeServerTimeoutParts(whole, micro);
}

static const struct {
    const char *address;
    const char *hostName;
    const char *location;
} builtinServers[TIME_SERVER_COUNT] = {
    {"129.6.15.28", "time-a-g.nist.gov", "NIST, Gaithersburg, Maryland"},
    {"129.6.15.29", "time-b-g.nist.gov", "NIST, Gaithersburg, Maryland"},
    {"129.6.15.30", "time-c-g.nist.gov", "NIST, Gaithersburg, Maryland"},
    {"129.6.15.27", "time-d-g.nist.gov", "NIST, Gaithersburg, Maryland"},
    {"132.163.97.1", "time-a-wwv.nist.gov", "WWV, Fort Collins, Colorado"},
    {"132.163.97.2", "time-b-wwv.nist.gov", "WWV, Fort Collins, Colorado"},
    {"132.163.97.3", "time-c-wwv.nist.gov", "WWV, Fort Collins, Colorado"},
    {"132.163.97.4", "time-d-wwv.nist.gov", "WWV, Fort Collins, Colorado"},
    {"132.163.96.1", "time-a-b.nist.gov", "NIST, Boulder, Colorado"},
    {"132.163.96.2", "time-b-b.nist.gov", "NIST, Boulder, Colorado"},
    {"132.163.96.3", "time-c-b.nist.gov", "NIST, Boulder, Colorado"},
    {"132.163.96.4", "time-d-b.nist.gov", "NIST, Boulder, Colorado"},
    {"128.138.140.44", "utcnist.colorado.edu", "University of Colorado, Boulder"},
    {"128.138.141.172", "utcnist2.colorado.edu", "University of Colorado, Boulder"},
};

static TimeServer servers[TIME_SERVER_COUNT];
static bool serversBuilt;

/* Fills record id with fresh response time; texts are cut to fit. */
static void buildServer(TimeServer *server, int id, const char *address, const char *hostName,
                        const char *location)
{
    server->id = id;
    server->responseTime = 500.0 + id;
    snprintf(server->address, sizeof(server->address), "%s", address);
    snprintf(server->hostName, sizeof(server->hostName), "%s", hostName);
    snprintf(server->location, sizeof(server->location), "%s", location);
}

static void buildBuiltinServers(void)
{
    for (int id = 0; id < TIME_SERVER_COUNT; id++) {
        buildServer(&servers[id], id, builtinServers[id].address, builtinServers[id].hostName,
                    builtinServers[id].location);
    }
    serversBuilt = true;
}

/* The table, built on first use. */
static TimeServer *serverTable(void)
{
    if (!serversBuilt) {
        buildBuiltinServers();
    }
    return servers;
}

static void sortServers(void)
{
    std::stable_sort(serverTable(), serverTable() + TIME_SERVER_COUNT,
                     [](const TimeServer &a, const TimeServer &b) {
                         /* NaN (a typed "nan") sorts last, keeping the order strict. */
                         return !std::isnan(a.responseTime)
                                && (std::isnan(b.responseTime) || a.responseTime < b.responseTime);
                     });
}

static const TimeServer *serverAt(int position)
{
    if (position < 0 || position >= TIME_SERVER_COUNT) {
        return NULL;
    }
    return &serverTable()[position];
}

int timeServerCount(void)
{
    return TIME_SERVER_COUNT;
}

int timeServerId(int position)
{
    const TimeServer *server = serverAt(position);
    return server != NULL ? server->id : -1;
}

const char *timeServerAddress(int position)
{
    const TimeServer *server = serverAt(position);
    return server != NULL ? server->address : NULL;
}

const char *timeServerHostName(int position)
{
    const TimeServer *server = serverAt(position);
    return server != NULL ? server->hostName : NULL;
}

const char *timeServerLocation(int position)
{
    const TimeServer *server = serverAt(position);
    return server != NULL ? server->location : NULL;
}

double timeServerResponse(int position)
{
    const TimeServer *server = serverAt(position);
    return server != NULL ? server->responseTime : -1.0;
}

void setTimeServerResponse(int position, double milliseconds)
{
    if (serverAt(position) != NULL) {
        serverTable()[position].responseTime = milliseconds;
    }
}

/*
 * resetTimeServers --
 * Returns: 1, or 0 (table unchanged) when the addresses do not fit.
 * Changes: the whole table: the built-in servers for NULL, otherwise the
 *	given addresses in id order.
 */
int resetTimeServers(const char *const *addresses, int count)
{
    if (addresses == NULL) {
        buildBuiltinServers();
        return 1;
    }
    if (count < 0 || count > TIME_SERVER_COUNT) {
        return 0;
    }
    for (int i = 0; i < count; i++) {
        if (strlen(addresses[i]) >= sizeof(servers[0].address)) {
            return 0;
        }
    }
    for (int id = 0; id < TIME_SERVER_COUNT; id++) {
        char hostName[32];
        snprintf(hostName, sizeof(hostName), "test server %d", id);
        buildServer(&servers[id], id, id < count ? addresses[id] : "", hostName, "loopback");
    }
    serversBuilt = true;
    return 1;
}

/*
 * parseNistTime --
 * Returns: 1 when all eleven fields of the line were read, else 0.
 * Changes: *seconds (since 1970) and the optional out values.
 */
int parseNistTime(const char *reply, int64_t *seconds, int *daylight, int *leap, int *health,
                  double *advance)
{
    int32_t mjd, year, month, day, hour, minute, second, dst, leapFlag, healthCode;
    double ahead;
    int fields = sscanf(reply,
                        " %" SCNd32 " %2" SCNd32 "-%2" SCNd32 "-%2" SCNd32
                        " %2" SCNd32 ":%2" SCNd32 ":%2" SCNd32
                        " %" SCNd32 " %" SCNd32 " %" SCNd32 " %lf",
                        &mjd, &year, &month, &day, &hour, &minute, &second, &dst, &leapFlag,
                        &healthCode, &ahead);
    if (fields != 11) {
        return 0;
    }
    if (seconds != NULL) {
        *seconds = ((int64_t)mjd - MJD_UNIX_EPOCH) * 86400 + (int64_t)hour * 3600
                   + (int64_t)minute * 60 + second;
    }
    if (daylight != NULL) {
        *daylight = dst;
    }
    if (leap != NULL) {
        *leap = leapFlag;
    }
    if (health != NULL) {
        *health = healthCode;
    }
    if (advance != NULL) {
        *advance = ahead;
    }
    return 1;
}

/* A server too busy to answer sends "99999" where the date belongs (after
 * the line's leading newline). */
static bool serverBusy(const char *reply)
{
    while (isspace((unsigned char)*reply)) {
        reply++;
    }
    return strncmp(reply, "99999", 5) == 0;
}

/*
 * queryHealthyTime --
 * Returns: 1 when the last reply of address was healthy, else 0.
 * Changes: *seconds and *advance on success; *elapsed always.
 */
int queryHealthyTime(int64_t *seconds, double *advance, const char *address, int tries,
                     double *elapsed)
{
    char reply[DAYTIME_REPLY_MAX + 1];
    int64_t serverSeconds = 0;
    double serverAdvance = 0.0;
    int health;
    do {
        if (!queryTimeServer(reply, address, elapsed)) {
            return 0;
        }
        if (serverBusy(reply)) {
            return 0;
        }
        /* A line that does not read whole is no answer. */
        if (!parseNistTime(reply, &serverSeconds, NULL, NULL, &health, &serverAdvance)) {
            return 0;
        }
        tries--;
    } while (health != 0 && tries > 0);
    if (health != 0) {
        return 0;
    }
    *seconds = serverSeconds;
    *advance = serverAdvance;
    return 1;
}

/*
 * getTimeFromServers --
 * Returns: 1 when a server of the table answered healthy, else 0.
 * Changes: the response time of every server asked; on success *seconds,
 *	*advance, *elapsed and the table's order.
 */
int getTimeFromServers(int64_t *seconds, double *advance, double *elapsed, int tries)
{
    TimeServer *table = serverTable();
    for (int i = 0; i < TIME_SERVER_COUNT; i++) {
        double queryTime = 0.0;
        int answered = queryHealthyTime(seconds, advance, table[i].address, tries, &queryTime);
        table[i].responseTime = queryTime;
        if (answered) {
            *elapsed = queryTime;
            sortServers();
            return 1;
        }
    }
    return 0;
}

double correctedServerTime(int64_t seconds, double advance, double elapsed)
{
    return (double)seconds + 0.001 * (elapsed / 2.0 - advance);
}

void splitClockTime(double time, int64_t *seconds, int *milliseconds)
{
    double whole = std::floor(time);
    int ms = roundToInt((time - whole) * 1000.0);
    if (ms >= 1000) {
        whole += 1.0;
        ms -= 1000;
    }
    *seconds = clampToInt64(whole);
    *milliseconds = ms;
}

/* ---------------------------------------------------------------- */
/* The command ovex.time                                             */
/* ---------------------------------------------------------------- */

static void setUsage(Tcl_Interp *interp, const char **argv, const char *arguments)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1], arguments, (char *)NULL);
}

static void setTimeResult(Tcl_Interp *interp, double time)
{
    char text[64];
    snprintf(text, sizeof(text), "%.4f", time);
    Tcl_SetObjResult(interp, Tcl_NewStringObj(text, -1));
}

/*
 * timeGet --
 *	get ?address?: the network time of the table's first healthy server,
 *	or of address alone (the table is not touched).
 */
static int timeGet(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc > 3) {
        setUsage(interp, argv, " [address]");
        return TCL_ERROR;
    }
    int64_t seconds;
    double advance, elapsed;
    int ok = argc == 3 ? queryHealthyTime(&seconds, &advance, argv[2], 1, &elapsed)
                       : getTimeFromServers(&seconds, &advance, &elapsed, 1);
    if (!ok) {
        Tcl_SetResult(interp, (char *)"Fail to get time", TCL_STATIC);
        return TCL_ERROR;
    }
    setTimeResult(interp, correctedServerTime(seconds, advance, elapsed));
    return TCL_OK;
}

static int timePerformance(Tcl_Interp *interp, int argc, const char **argv)
{
    Tcl_Obj *list = Tcl_NewListObj(0, NULL);
    for (int i = 0; i < TIME_SERVER_COUNT; i++) {
        char text[64];
        snprintf(text, sizeof(text), "%.2f", timeServerResponse(i));
        Tcl_ListObjAppendElement(NULL, list, Tcl_NewStringObj(text, -1));
    }
    Tcl_SetObjResult(interp, list);
    return TCL_OK;
}

/* One field of the record at a position, as text. */
typedef Tcl_Obj *ServerField(int position);

static Tcl_Obj *serverIdObj(int position)
{
    return Tcl_ObjPrintf("%d", timeServerId(position));
}

static Tcl_Obj *serverAddressObj(int position)
{
    return Tcl_NewStringObj(timeServerAddress(position), -1);
}

/* The field of every record in table order, or of the one at [index]
 * (empty for an index outside the table). */
static int listServerField(Tcl_Interp *interp, int argc, const char **argv, ServerField *field)
{
    if (argc > 3) {
        setUsage(interp, argv, " [index]");
        return TCL_ERROR;
    }
    if (argc == 3) {
        int position = ovexLenientInt(argv[2]);
        if (position >= 0 && position < TIME_SERVER_COUNT) {
            Tcl_SetObjResult(interp, field(position));
        }
        return TCL_OK;
    }
    Tcl_Obj *list = Tcl_NewListObj(0, NULL);
    for (int i = 0; i < TIME_SERVER_COUNT; i++) {
        Tcl_ListObjAppendElement(NULL, list, field(i));
    }
    Tcl_SetObjResult(interp, list);
    return TCL_OK;
}

static int timeServers(Tcl_Interp *interp, int argc, const char **argv)
{
    return listServerField(interp, argc, argv, serverIdObj);
}

static int timeServerIPAddress(Tcl_Interp *interp, int argc, const char **argv)
{
    return listServerField(interp, argc, argv, serverAddressObj);
}

static int timeTimeout(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc >= 3) {
        setTimeServerTimeout(ovexLenientDouble(argv[2]));
        return TCL_OK;
    }
    char text[64];
    snprintf(text, sizeof(text), "%f", getTimeServerTimeout());
    Tcl_SetObjResult(interp, Tcl_NewStringObj(text, -1));
    return TCL_OK;
}

/*
 * timeUpdate --
 *	update ?address?: sets the clock from the table's first healthy
 *	server (three tries each). The address is accepted and not used.
 */
static int timeUpdate(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc > 3) {
        setUsage(interp, argv, " [address]");
        return TCL_ERROR;
    }
    int64_t seconds;
    double advance, elapsed;
    if (!getTimeFromServers(&seconds, &advance, &elapsed, 3)) {
        Tcl_SetResult(interp, (char *)"Fail to get time", TCL_STATIC);
        return TCL_ERROR;
    }
    int64_t clockSeconds;
    int milliseconds;
    splitClockTime(correctedServerTime(seconds, advance, elapsed), &clockSeconds, &milliseconds);
    setSystemClock(clockSeconds, milliseconds);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/*
 * timeEvaluation --
 *	evaluation serverid performance: gives the server a response time
 *	and sorts the table again.
 */
static int timeEvaluation(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 4) {
        setUsage(interp, argv, " serverip performance");
        return TCL_ERROR;
    }
    int id = ovexLenientInt(argv[2]);
    for (int i = 0; i < TIME_SERVER_COUNT; i++) {
        if (timeServerId(i) == id) {
            setTimeServerResponse(i, ovexLenientDouble(argv[3]));
            sortServers();
            return TCL_OK;
        }
    }
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Invalid time server id:", argv[2], (char *)NULL);
    return TCL_ERROR;
}

struct TimeSubcommand {
    const char *name;
    int minLength;      /* the shortest prefix accepted */
    int (*handler)(Tcl_Interp *interp, int argc, const char **argv);
};

static const TimeSubcommand timeSubcommands[] = {
    {"get", 3, timeGet},
    {"performance", 3, timePerformance},
    {"servers", 7, timeServers},
    {"serverIPAddress", 15, timeServerIPAddress},
    {"timeout", 3, timeTimeout},
    {"update", 3, timeUpdate},
    {"evaluation", 3, timeEvaluation},
};

/*
 * ovexTimeCmd --
 *	ovex.time subcommand ?arg ...?
 * Returns: the subcommand's outcome; TCL_ERROR with the usage for a
 *	missing or unknown word.
 */
static int ovexTimeCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc >= 2) {
        for (const TimeSubcommand &sub : timeSubcommands) {
            if (ovexMatchWord(argv[1], sub.name, sub.minLength)) {
                return sub.handler(interp, argc, argv);
            }
        }
    }
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", argv[0],
                     " get performance servers timeout update evaluation", (char *)NULL);
    return TCL_ERROR;
}

/* ---------------------------------------------------------------- */
/* Test hooks: only with OVEX_TEST_HOOKS=1 in the loading interpreter's */
/* environment. They keep tests on loopback and off the real clock.  */
/* ---------------------------------------------------------------- */

struct ClockSetting {
    int64_t seconds;
    int milliseconds;
};

static std::vector<ClockSetting> recordedClockSettings;

static void recordClockSetting(int64_t seconds, int milliseconds)
{
    recordedClockSettings.push_back({seconds, milliseconds});
}

/* ovex.time.testServers ?address ...?: rebuilds the table with these
 * addresses, or the built-in one without any. */
static int testServersCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (!resetTimeServers(argc > 1 ? argv + 1 : NULL, argc - 1)) {
        Tcl_SetResult(interp, (char *)"addresses do not fit the server table", TCL_STATIC);
        return TCL_ERROR;
    }
    return TCL_OK;
}

/* ovex.time.testClock: the clock settings recorded since the last call,
 * each {seconds milliseconds}. */
static int testClockCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    Tcl_Obj *list = Tcl_NewListObj(0, NULL);
    for (const ClockSetting &setting : recordedClockSettings) {
        Tcl_Obj *pair[2] = {Tcl_NewWideIntObj((Tcl_WideInt)setting.seconds),
                            Tcl_NewIntObj(setting.milliseconds)};
        Tcl_ListObjAppendElement(NULL, list, Tcl_NewListObj(2, pair));
    }
    recordedClockSettings.clear();
    Tcl_SetObjResult(interp, list);
    return TCL_OK;
}

static int createTestHooks(Tcl_Interp *interp)
{
    const char *hooks = Tcl_GetVar2(interp, "env", "OVEX_TEST_HOOKS", TCL_GLOBAL_ONLY);
    if (hooks == NULL || strcmp(hooks, "1") != 0) {
        return TCL_OK;
    }
    /* From here on this process never sets its clock. */
    replaceSystemClockSetter(recordClockSetting);
    if (Tcl_CreateCommand(interp, "ovex.time.testServers", testServersCmd, NULL, NULL) == NULL
        || Tcl_CreateCommand(interp, "ovex.time.testClock", testClockCmd, NULL, NULL) == NULL) {
        return TCL_ERROR;
    }
    return TCL_OK;
}

/*
 * OvexTime_Init --
 * Returns: TCL_OK, or TCL_ERROR when ovex.time cannot be created.
 * Changes: creates ovex.time in interp (and the test hooks when asked).
 */
int OvexTime_Init(Tcl_Interp *interp)
{
    if (Tcl_CreateCommand(interp, "ovex.time", ovexTimeCmd, NULL, NULL) == NULL) {
        return TCL_ERROR;
    }
    return createTestHooks(interp);
}
