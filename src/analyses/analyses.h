#pragma once
// The analyses, each in a file of its own. Each reads the loaded data set
// only, returns plain records (its warnings among them) and does no file or
// console I/O; the long ones report how far they have come through a Progress.

#include "analyses/all_samples.h"
#include "analyses/bootstrap.h"
#include "analyses/groups.h"
#include "analyses/pairs.h"
#include "analyses/per_sample.h"
#include "analyses/group_permutation.h"
#include "analyses/set_statistics.h"
