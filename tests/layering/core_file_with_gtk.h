// A core file as the layering check must refuse it (never compiled).
#pragma once

#include "host/gtk/web_view.h"
#include "host/platform.h"
