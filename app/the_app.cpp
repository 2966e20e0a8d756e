#include "quillbeck_app.h"

CQuillbeckApp theApp;
