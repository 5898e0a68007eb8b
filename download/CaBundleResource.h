// The trusted certificates (Debian's CA bundle, PEM) that every program on the download engine
// carries as a resource of this number (RCDATA). A macro: the resource compiler reads it too.
#pragma once

#define IDR_CA_BUNDLE 204
