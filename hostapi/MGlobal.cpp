#include "MGlobal.h"

MStatus MGlobal::getSelectionListByName(const MString& pattern, MSelectionList& list) {
    list.clear();
    return list.add(pattern);
}
