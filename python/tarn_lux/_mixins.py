"""Pythonic extras mixed into the generated proxy classes."""
