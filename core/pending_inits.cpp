/*
 * pending_inits.cpp --
 *
 *	Registration of package-core commands whose code is not in this build
 *	yet. None are pending: dicom and gpz are in their own files
 *	(frontend/rimage/dicom_command.cpp, frontend/rimage/gpz_command.cpp).
 */

#include "core/inits.h"
#include "core/package.h"
