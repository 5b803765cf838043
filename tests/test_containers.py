"""The sequence containers and their iterators, checked against Python lists."""

import gc
import random
import re
import sys
import weakref

import pytest

INT_CONTAINERS = ["VectorVideo", "VectorUInt64", "VectorUInt32", "VectorInt32", "PixelFormatList"]
RECORD_CONTAINERS = ["VectorPoint2D", "VectorPixelLineChannel", "VectorHistogramChannel", "SharpnessROIList"]


def exactly(text):
    return "^" + re.escape(text) + "$"


def points(t, *coordinates):
    return t.VectorPoint2D([t.Point2D.New(x, y) for x, y in coordinates])


# --- indexing and slicing --------------------------------------------------------

def test_index_rule(t):
    v = t.VectorInt32([1, 2, 3])
    assert (v[0], v[-1], v[-3]) == (1, 3, 1)
    for bad in (3, -4):
        with pytest.raises(IndexError, match=exactly("index out of range")):
            v[bad]
        with pytest.raises(IndexError, match=exactly("index out of range")):
            del v[bad]
    with pytest.raises(TypeError, match="Wrong number or type of arguments for overloaded function "
                                        "'VectorInt32___getitem__'"):
        v[2 ** 63]
    assert v == [1, 2, 3]


SLICE_BOUNDS = [None, -9, -4, -3, -1, 0, 1, 2, 5, 9]
SLICE_STEPS = [None, 1, 2, 3, -1, -2, -4]


@pytest.mark.parametrize("step", SLICE_STEPS)
def test_slices_follow_python_lists(t, step):
    model = [10, 11, 12, 13, 14, 15]
    for start in SLICE_BOUNDS:
        for stop in SLICE_BOUNDS:
            s = slice(start, stop, step)
            v = t.VectorInt32(model)
            assert v[s] == model[s], s
            assert type(v[s]) is t.VectorInt32
            expected = list(model)
            del expected[s]
            del v[s]
            assert v == expected, s
            v, expected = t.VectorInt32(model), list(model)
            replacement = [-x for x in range(len(expected[s]))]
            if step not in (None, 1):
                expected[s] = replacement
                v[s] = replacement
            else:
                expected[s] = replacement + [99]
                v[s] = replacement + [99]
            assert v == expected, s


def test_slice_cases_and_failures_leave_the_vector_unchanged(t, m):
    v = t.VectorInt32([1, 2, 3])
    assert v[::-1] == [3, 2, 1] and v[1:1] == [] and v[5:] == []
    v[0:2] = [7, 8, 9]
    assert v == [7, 8, 9, 3]
    v[0:3] = [7]
    assert v == [7, 3]
    v = t.VectorInt32([1, 2, 3])
    with pytest.raises(ValueError, match=exactly("attempt to assign sequence of size 1 to extended slice of size 2")):
        v[::2] = [9]
    for operation in (lambda: v[::0], lambda: v.__setitem__(slice(None, None, 0), [1]),
                      lambda: v.__delitem__(slice(None, None, 0))):
        with pytest.raises(ValueError, match=exactly("slice step cannot be zero")):
            operation()
    with pytest.raises(TypeError, match="slice indices must be integers"):
        v["a":]
    assert v == [1, 2, 3]
    assert v[-2 ** 70:2 ** 70] == [1, 2, 3]
    assert m.VectorInt32___getslice__(v, -1, 2) == [1, 2]  # no counting from the end here
    m.VectorInt32___setslice__(v, 0, 1, [5, 6])
    m.VectorInt32___setslice__(v, 2, 3)
    m.VectorInt32___delslice__(v, 0, 1)
    assert v == [6, 3]
    v[1:] = v  # a vector assigned into itself
    assert v == [6, 6, 3]


# --- elements and growth ------------------------------------------------------------

def test_single_values_are_range_checked(t):
    with pytest.raises(OverflowError, match=exactly("in method 'VectorVideo_append', argument 2 of type "
                                                    "'std::vector< unsigned short >::value_type'")):
        t.VectorVideo().append(65536)
    with pytest.raises(OverflowError, match=exactly("in method 'VectorInt32_append', argument 2 of type "
                                                    "'std::vector< int >::value_type'")):
        t.VectorInt32().append(2 ** 31)
    with pytest.raises(TypeError, match=exactly("in method 'VectorInt32_push_back', argument 2 of type "
                                                "'std::vector< int >::value_type'")):
        t.VectorInt32().push_back(1.5)
    with pytest.raises(OverflowError):
        t.VectorUInt64().append(-1)
    v = t.VectorUInt64([2 ** 64 - 1])
    with pytest.raises(TypeError, match="overloaded function 'VectorUInt64___setitem__'"):
        v[0] = 2 ** 64
    assert v == [2 ** 64 - 1]
    assert t.PixelFormatList([]) == [] and list(t.PixelFormatList(2, -5)) == [-5, -5]


def test_constructors_and_sequence_arguments(t, m):
    assert t.VectorInt32(3) == [0, 0, 0]
    assert t.VectorInt32([4, 5]) == [4, 5] and t.VectorInt32((4, 5)) == [4, 5]
    assert t.VectorInt32(2, 7) == [7, 7]
    assert t.VectorInt32(t.VectorInt32([1])) == [1]
    for refused in ([1.5], "ab", t.VectorUInt32([1]), [2 ** 31]):
        with pytest.raises(TypeError, match="overloaded function 'new_VectorInt32'"):
            t.VectorInt32(refused)
    with pytest.raises(ValueError, match=exactly("invalid null reference in method 'new_VectorInt32', argument 1 of "
                                                 "type 'std::vector< int,std::allocator< int > > const &'")):
        m.new_VectorInt32(None)
    assert t.VectorPoint2D([]) == [] and points(t, (1, 2)) == [t.Point2D.New(1, 2)]
    for refused in ([t.Point2D.New(1, 2), 3], [None]):
        with pytest.raises(TypeError, match="overloaded function 'new_VectorPoint2D'"):
            t.VectorPoint2D(refused)
    # A PixelFormatList takes only wrapped enumeration values from a list, so ints are refused.
    with pytest.raises(TypeError, match="overloaded function 'new_PixelFormatList'"):
        t.PixelFormatList([1])
    assert t.PixelFormatList(t.PixelFormatList(1, 3)) == [3]


def test_growth_beyond_the_maximum_changes_nothing(t):
    v = t.VectorInt32([1, 2])
    for grow in (lambda: v.reserve(2 ** 62), lambda: v.resize(2 ** 62), lambda: v.resize(2 ** 63, 1),
                 lambda: v.assign(2 ** 63, 1), lambda: v.insert(v.begin(), 2 ** 62, 5), lambda: t.VectorInt32(2 ** 62)):
        with pytest.raises(RuntimeError, match=exactly("vector too long")):
            grow()
    assert v == [1, 2]


def test_empty_vectors_refuse_to_give_elements(t):
    v = t.VectorPoint2D()
    with pytest.raises(IndexError, match=exactly("pop from empty container")):
        v.pop()
    with pytest.raises(IndexError, match=exactly("pop from empty container")):
        v.pop_back()
    for end in (v.front, v.back):
        with pytest.raises(IndexError, match=exactly("index out of range")):
            end()


def test_vector_operations(t):
    v = t.VectorInt32()
    assert not v and v.empty() and len(v) == 0
    v.extend([3, 1, 2])
    v.reserve(10)
    assert v.capacity() >= 10 and v.size() == 3 and (v.front(), v.back()) == (3, 2)
    assert v.pop() == 2 and 1 in v and 2 not in v and v.index(1) == 1 and v.count(3) == 1
    other = t.VectorInt32([9])
    v.swap(other)
    assert (v, other) == ([9], [3, 1])
    v.resize(3, 4)
    v.assign(2, 5)
    v.clear()
    assert v == [] and repr(t.VectorInt32([1, 2, 3])) == "VectorInt32([1, 2, 3])"
    with pytest.raises(TypeError, match=exactly("in method 'VectorInt32_swap', argument 2 of type "
                                                "'std::vector< int,std::allocator< int > > &'")):
        v.swap(t.VectorUInt32())


# --- element references -----------------------------------------------------------

def test_element_references_write_through_and_keep_the_container(t):
    v = points(t, (1, 2), (3, 4))
    first = v[0]
    first.x = 9
    assert v[0].x == 9
    assert first.__swig_container is v and not first.thisown
    container = weakref.ref(v)
    del v
    gc.collect()
    assert container() is not None and first.y == 2
    copy = container().pop()
    assert copy.thisown and copy.x == 3


def test_element_references_after_the_vector_changes(t, m):
    v = points(t, (1, 2), (3, 4))
    second, back = v[1], v.back()
    v.extend([t.Point2D.New(i, i) for i in range(100)])  # reallocates
    assert (second.x, back.x) == (3, 3)
    v.clear()
    with pytest.raises(IndexError, match="no longer exists"):
        second.x
    v.append(t.Point2D.New(5, 6))
    with pytest.raises(IndexError, match="no longer exists"):
        v.append(second)
    v.append(v[0])  # an element appended to its own vector
    assert v == [t.Point2D.New(5, 6)] * 2
    second.this.acquire()  # a reference never owns its element
    assert not second.thisown
    first = v[0]
    m.delete_VectorPoint2D(v)
    with pytest.raises(IndexError, match="no longer exists"):
        first.x
    assert repr(v) == "<VectorPoint2D (invalid)>"
    assert points(t, (1, 1))[0].x == 1  # the reference holds its temporary container


def test_reference_cycles_through_elements_are_collected(t):
    v = points(t, (1, 2))
    v.keep = v[0]
    container = weakref.ref(v)
    del v
    gc.collect()
    assert container() is None


# --- iterators --------------------------------------------------------------------------

def test_bounded_iterator(t):
    v = t.VectorInt32([1, 2])
    it = v.iterator()
    assert (it.next(), next(it)) == (1, 2)
    for _ in range(2):
        with pytest.raises(StopIteration):
            it.next()
    assert it.previous() == 2
    it = t.VectorInt32([1, 2, 3]).iterator()
    with pytest.raises(StopIteration):
        it.incr(5)
    with pytest.raises(StopIteration):
        it.value()
    assert it.previous() == 3 and list(t.VectorInt32([4, 5])) == [4, 5]


def test_iterator_arithmetic_and_comparison(t, m):
    v = t.VectorInt32([1, 2, 3])
    assert v.begin() == v.begin() and v.begin() != v.end() and v.end() - v.begin() == 3
    assert (v.begin() == 3) is False and m.SwigPyIterator___eq__(v.begin(), 3) is NotImplemented
    for mixed in (lambda: v.begin() == v.rbegin(), lambda: v.begin().distance(v.rbegin()),
                  lambda: v.end() - v.rbegin()):
        with pytest.raises(ValueError, match=exactly("bad iterator type")):
            mixed()
    with pytest.raises(TypeError):
        v.begin() - "x"
    with pytest.raises(TypeError, match=exactly("in method 'SwigPyIterator_advance', argument 2 of type 'ptrdiff_t'")):
        v.begin().advance(1.0)
    with pytest.raises(TypeError, match=exactly("in method 'SwigPyIterator___iadd__', argument 2 of type 'ptrdiff_t'")):
        m.SwigPyIterator___iadd__(v.begin(), "x")
    first = v.begin()
    third = first + 2
    assert (first.value(), third.value(), (third - 1).value()) == (1, 3, 2)
    first += 2
    assert first.value() == 3 and first.thisown
    first -= 1
    assert first.value() == 2 and first == third - 1
    assert list(v.rbegin()) == [3, 2, 1] and v.rend() - v.rbegin() == 3
    assert v.begin().incr().incr().value() == 3  # the intermediate results keep their iterator alive
    assert v.end().decr().value() == 3 and v.begin().advance(2).advance(-1).value() == 2


def test_iterators_outside_or_without_their_vector(t):
    v = t.VectorInt32([1, 2])
    with pytest.raises(StopIteration):
        v.end().value()
    with pytest.raises(StopIteration):
        v.rend().value()
    with pytest.raises(RuntimeError):
        v.begin().advance(2 ** 63 - 1).advance(1)
    bounded, unbounded = v.iterator(), v.begin()
    v.clear()
    with pytest.raises(StopIteration):
        next(bounded)
    with pytest.raises(StopIteration):
        unbounded.value()
    with pytest.raises(ValueError, match=exactly("the vector of this iterator no longer exists")):
        t.VectorInt32([1]).begin().value()


def test_iterator_references_to_the_container(t):
    v = t.VectorInt32([1, 2])
    count = sys.getrefcount(v)
    unbounded = v.begin()
    assert sys.getrefcount(v) == count
    bounded = v.iterator()
    copy = bounded.copy()
    assert sys.getrefcount(v) == count + 2
    container = weakref.ref(v)
    del v, copy
    gc.collect()
    assert container() is not None and unbounded.value() == 1
    del bounded
    gc.collect()
    assert container() is None


def test_iteration_yields_owned_copies(t):
    v = points(t, (1, 2))
    element = next(iter(v))
    element.x = 7
    assert element.thisown and v[0].x == 1 and v.rbegin().value().x == 1


def test_erase_and_insert_at_iterators(t):
    v = t.VectorInt32([1, 2, 3])
    assert v.erase(v.begin()).value() == 2 and v == [2, 3]
    assert v.insert(v.end(), 9).value() == 9 and v == [2, 3, 9]
    assert v.erase(v.begin(), v.begin() + 2).value() == 9 and v == [9]
    assert v.insert(v.begin(), 2, 4) is None and v == [4, 4, 9]
    other = t.VectorInt32([5])
    with pytest.raises(ValueError, match=exactly("iterator belongs to another vector")):
        v.erase(other.begin())
    with pytest.raises(IndexError, match=exactly("iterator out of range")):
        v.erase(v.end())
    with pytest.raises(IndexError, match=exactly("iterator out of range")):
        v.erase(v.end(), v.begin())
    foreign_kind = t.VectorUInt32([1])
    for wrong in (v.rbegin(), foreign_kind.begin(), 0, None):
        with pytest.raises(TypeError, match="overloaded function 'VectorInt32_insert'"):
            v.insert(wrong, 1)
    assert v == [4, 4, 9]


def test_repeated_calls_keep_reference_counts_flat(t):
    v = points(t, (1, 2), (3, 4))
    element = t.Point2D.New(5, 6)
    failing = [lambda: v[9], lambda: next(v.end()), lambda: t.VectorPoint2D([element, 1]), lambda: v.begin() - "x"]

    def work():
        v[0].x, v.front().y, list(v), v[::-1], v.begin().incr().value(), v.iterator().copy()
        v.append(element)
        v.pop()
        for call in failing:
            with pytest.raises((IndexError, StopIteration, TypeError)):
                call()

    work()
    before = sys.getrefcount(v), sys.getrefcount(element)
    for _ in range(200):
        work()
    assert (sys.getrefcount(v), sys.getrefcount(element)) == before


# --- all nine ------------------------------------------------------------------------------

@pytest.mark.parametrize("name", INT_CONTAINERS + RECORD_CONTAINERS)
def test_every_container_behaves_as_a_sequence(t, capfd, name):
    cls = getattr(t, name)
    v = cls(2)
    v.append(v[0] if name in RECORD_CONTAINERS else 7)
    assert len(v) == 3 and len(list(v)) == 3 and len(v[::-1]) == 3 and type(v[:2]) is cls
    assert repr(v).startswith(name + "([")
    v[1:2] = v[0:1]
    del v[0]
    assert len(v) == 2 and v.pop() is not None and len(v) == 1
    assert v.begin().value() is not None and len(cls(v)) == 1
    allocator = v.get_allocator()
    assert "allocator_type" in repr(allocator)
    del allocator
    assert "no destructor found" in capfd.readouterr().out


# --- against a model -----------------------------------------------------------------------

def test_random_operations_match_a_python_list(t):
    rng = random.Random(20240605)
    v, model = t.VectorInt32(), []

    def bound():
        return rng.choice([None, rng.randint(-12, 12)])

    for step in range(4000):
        operation = rng.randrange(9)
        value = rng.randint(-2 ** 31, 2 ** 31 - 1)
        if operation == 0:
            v.append(value)
            model.append(value)
        elif operation == 1:
            at = rng.randint(0, len(model))
            v.insert(v.begin() + at, value)
            model.insert(at, value)
        elif operation == 2 and model:
            at = rng.randrange(len(model))
            v.erase(v.begin() + at)
            del model[at]
        elif operation == 3:
            s = slice(bound(), bound(), rng.choice([None, 1, 2, 3, -1, -2, -3]))
            items = [rng.randint(-9, 9) for _ in range(len(model[s]) if s.step not in (None, 1) else rng.randint(0, 4))]
            v[s] = items
            model[s] = items
        elif operation == 4:
            s = slice(bound(), bound(), rng.choice([None, 1, 2, -1, -3]))
            del v[s]
            del model[s]
        elif operation == 5 and model:
            assert v.pop() == model.pop()
        elif operation == 6:
            n = rng.randint(0, 20)
            v.resize(n)
            model[n:] = []
            model += [0] * (n - len(model))
        elif operation == 7 and model:
            at = rng.randint(-len(model), len(model) - 1)
            v[at] = value
            model[at] = value
        elif operation == 8:
            s = slice(bound(), bound(), rng.choice([None, 2, -1, -2]))
            assert v[s] == model[s]
        assert v == model, (step, operation)
