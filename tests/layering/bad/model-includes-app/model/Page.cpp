#include "app/CPageView.h"
