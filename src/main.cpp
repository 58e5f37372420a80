// QUORVEX: the trader's dashboard in its native window. Reads no arguments
// and no environment of its own.
#include "host/gtk/run.h"

int main() { return qv::gtk::run(qv::gtk::standardOptions()); }
