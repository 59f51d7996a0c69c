// The opaque handle of an open resource container.
#pragma once

struct KTResContainerType;
