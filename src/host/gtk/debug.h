// The application's debug lines: the build sets G_LOG_DOMAIN ("quorvex"), so
// G_MESSAGES_DEBUG=quorvex shows them, each tagged with the module it comes
// from, as the core's lines are.
#pragma once

#include <glib.h>

#define QV_DEBUG(module, format, ...) \
  g_log(G_LOG_DOMAIN, G_LOG_LEVEL_DEBUG, "%s: " format, module __VA_OPT__(, ) __VA_ARGS__)
