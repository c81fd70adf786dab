// DisplayableObjectContainer: the object array's changes. Every change sets objectsChanged, which
// tells a running update or draw pass to restart its walk (see BaseEngine's passes).
#include "DisplayableObjectContainer.h"

#include <algorithm>

#include "DisplayableObject.h"

DisplayableObjectContainer::~DisplayableObjectContainer()
{
    // Not the virtual call: a derived container is already gone by now.
    DisplayableObjectContainer::destroyOldObjects(true);
}

void DisplayableObjectContainer::destroyOldObjects(bool deleteThem)
{
    objectsChanged = true;
    // The length is read afresh: a destructor may (wrongly) touch the array.
    for (std::size_t i = 0; i < objects.size(); ++i) {
        DisplayableObject* object = objects[i];
        objects[i] = nullptr;
        if (object && deleteThem && object->deleteOnRemoval())
            delete object;
    }
}

void DisplayableObjectContainer::createObjectArray(int size)
{
    destroyOldObjects(true);
    objects.assign(static_cast<std::size_t>(std::max(size, 0)), nullptr);
    objectsChanged = true;
}

void DisplayableObjectContainer::storeObjectInArray(int index, DisplayableObject* object)
{
    objectsChanged = true;
    if (index < 0 || index >= getContentCount())
        return;  // outside the contract; refusing beats writing past the array
    objects[static_cast<std::size_t>(index)] = object;
}

void DisplayableObjectContainer::appendObjectToArray(DisplayableObject* object)
{
    objectsChanged = true;
    objects.push_back(object);
}

void DisplayableObjectContainer::removeDisplayableObject(DisplayableObject* object)
{
    objectsChanged = true;
    auto found = std::find(objects.begin(), objects.end(), object);
    if (found != objects.end())
        objects.erase(found);
}

void DisplayableObjectContainer::setAllObjectsVisible(bool visible)
{
    for (DisplayableObject* object : objects)
        if (object)
            object->visible = visible;
}

DisplayableObject* DisplayableObjectContainer::getDisplayableObject(int index) const
{
    if (index < 0 || index >= getContentCount())
        return nullptr;
    return objects[static_cast<std::size_t>(index)];
}
