#pragma once
// Not compiled: an extractor that reaches up into the crawl, which the layer check must refuse.
#include "crawl/crawldriver.h"
