// Projection-like objects stay alive while another holder has them
// open, after their command is deleted, and publish their access table.
#include <gtest/gtest.h>
#include <math.h>
#include <tcl.h>

#include "core/inits.h"
#include "core/objects.h"
#include "geo/proj/object_kit.h"

namespace {

struct Holders : ::testing::Test {
    Tcl_Interp *interp = Tcl_CreateInterp();
    void SetUp() override { ASSERT_EQ(Proj_Init(interp), TCL_OK); }
    ~Holders() override { Tcl_DeleteInterp(interp); }
    void eval(const char *script)
    {
        ASSERT_EQ(Tcl_Eval(interp, script), TCL_OK) << Tcl_GetStringResult(interp);
    }
};

TEST_F(Holders, DeletedCommandKeepsAnOpenedObject)
{
    struct { const char *create; int type; } cases[] = {
        {"proj.create o; o projconfigure -projdef {proj=utm zone=32 ellps=WGS84}", OBJ_PROJ},
        {"cs2cs.create o; o csconfigure -ics {proj=latlong datum=WGS84} "
         "-ocs {proj=utm zone=32 datum=WGS84}", OBJ_CS2CS},
        {"geod.create o", OBJ_GEOD},
    };
    for (const auto &c : cases) {
        eval(c.create);
        RAMOBJ *obj = NULL;
        ASSERT_EQ(openObject(interp, c.type, "o", &obj), TCL_OK);
        eval("rename o {}");
        ASSERT_TRUE(objIsRegistered(obj));
        ASSERT_NE(obj->data, nullptr);
        if (c.type != OBJ_GEOD) {
            ProjAccessTable *table = (ProjAccessTable *)obj->interface;
            double x = 0, y = 0;
            table->forward(obj->data, c.type == OBJ_PROJ ? 9 : 9 * M_PI / 180,
                           c.type == OBJ_PROJ ? 48 : 48 * M_PI / 180, &x, &y);
            EXPECT_NEAR(x, 500000, 1e-3);
            EXPECT_NEAR(y, 5316300.224, 1e-3);
        }
        closeObject(obj);
        EXPECT_FALSE(objIsRegistered(obj));
    }
}

}  // namespace
