/* Keeps the public header valid C: it is compiled as C in every build. */
#include "keyvane/keyvane.h"

typedef int keyvane_header_is_c;
